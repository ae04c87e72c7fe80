// Turns an X BDF bitmap font into the C++ data of platform/web/font/bitmap_font.h.
// Usage: node bdf_to_cpp.js FONT.bdf VARIABLE OUTPUT.cpp
'use strict';
const fs = require('fs');
const [input, variable, output] = process.argv.slice(2);
const lines = fs.readFileSync(input, 'latin1').split(/\r?\n/);
const glyphs = new Map();
let current = null;
let inBitmap = false;
for (const line of lines) {
    const words = line.trim().split(/\s+/);
    if (words[0] === 'STARTCHAR') {
        current = { code: -1, advance: 0, bbx: [0, 0, 0, 0], rows: [] };
    } else if (!current) {
        continue;
    } else if (words[0] === 'ENCODING') {
        current.code = Number(words[1]);
    } else if (words[0] === 'DWIDTH') {
        current.advance = Number(words[1]);
    } else if (words[0] === 'BBX') {
        current.bbx = words.slice(1, 5).map(Number);
    } else if (words[0] === 'BITMAP') {
        inBitmap = true;
    } else if (words[0] === 'ENDCHAR') {
        if (current.code >= 0 && current.code < 256) glyphs.set(current.code, current);
        current = null;
        inBitmap = false;
    } else if (inBitmap) {
        // Left-aligned hex, as many bytes as the width needs: put into 16 bits.
        const hex = (words[0] + '0000').slice(0, 4);
        current.rows.push(parseInt(hex, 16));
    }
}
if (glyphs.size < 190) throw new Error(`${input}: only ${glyphs.size} glyphs`);
const entries = [];
const rows = [];
for (let code = 0; code < 256; ++code) {
    const g = glyphs.get(code);
    if (!g) {
        entries.push('    {0, 0, 0, 0, 0, 0}');
        continue;
    }
    const [w, h, x, y] = g.bbx;
    if (w > 16) throw new Error(`glyph ${code} wider than 16 pixels`);
    entries.push(`    {${g.advance}, ${w}, ${h}, ${x}, ${y}, ${rows.length}}`);
    rows.push(...g.rows.slice(0, h));
}
const out = `// Made by platform/web/font/bdf_to_cpp.js from ${require('path').basename(input)}; do not edit.
// The 9x15 font of Debian's xfonts-base (public domain); made again by
// platform/web/font/make_font.sh.
#include "platform/web/font/bitmap_font.h"

namespace {
const uint16_t rows[] = {
${rows.map((r) => '0x' + r.toString(16).padStart(4, '0')).join(',').replace(/((?:[^,]*,){12})/g, '$1\n')}
};
}  // namespace

const BitmapFont ${variable} = {
    {
${entries.join(',\n')}
    },
    rows,
};
`;
fs.writeFileSync(output, out);
