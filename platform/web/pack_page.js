// Puts the linked program (its WebAssembly already embedded) into the page,
// so that index.html is all there is to open.
// Usage: node pack_page.js page.html program.js index.html
'use strict';
const fs = require('fs');
const path = require('path');
const [template, program, output] = process.argv.slice(2);
// Inside a script element only "</script" could end it early.
const code = fs.readFileSync(program, 'utf8').replace(/<\/(script)/gi, '<\\/$1');
const page = fs.readFileSync(template, 'utf8').split('{{PROGRAM}}').join(code);
fs.mkdirSync(path.dirname(output), { recursive: true });
fs.writeFileSync(output, page);
