// Puts the linked program (its WebAssembly already embedded) and the icon
// into the page, so that index.html is all there is to open (and the page
// asks a server for no favicon).
// Usage: node pack_page.js page.html program.js icon.svg index.html
'use strict';
const fs = require('fs');
const path = require('path');
const [template, program, icon, output] = process.argv.slice(2);
// Inside a script element only "</script" could end it early.
const code = fs.readFileSync(program, 'utf8').replace(/<\/(script)/gi, '<\\/$1');
const iconUrl = 'data:image/svg+xml;base64,' + fs.readFileSync(icon).toString('base64');
const page = fs.readFileSync(template, 'utf8').split('{{ICON}}').join(iconUrl).split('{{PROGRAM}}').join(code);
fs.mkdirSync(path.dirname(output), { recursive: true });
fs.writeFileSync(output, page);
