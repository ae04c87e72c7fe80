// Lighthouse (pinned in package-lock.json), desktop preset, against the page
// on a plain local server (a missing file is a 404, as on any static
// server): accessibility, best practices and SEO must each score 100.
// Usage: node lighthouse_test.js PAGE.html
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const { launch } = require('./chromium.js');

const pagePath = path.resolve(process.argv[2]);
const REQUIRED = ['accessibility', 'best-practices', 'seo'];

(async () => {
    const server = http.createServer((request, response) => {
        if (request.url === '/' || request.url === '/index.html') {
            response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
            response.end(fs.readFileSync(pagePath));
        } else {
            response.writeHead(404, { 'Content-Type': 'text/plain' });
            response.end('not found');
        }
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const browser = await launch();
    let failed = [];
    try {
        const { default: lighthouse } = await import('lighthouse');
        const { default: desktop } = await import('lighthouse/core/config/desktop-config.js');
        const url = `http://127.0.0.1:${server.address().port}/index.html`;
        const port = Number(new URL(browser.wsEndpoint()).port);
        const result = await lighthouse(url, { port, output: 'json', logLevel: 'error' }, desktop);
        const { categories, audits } = result.lhr;
        const scores = Object.values(categories).map((c) => `${c.id} ${Math.round(c.score * 100)}`);
        console.log(`Lighthouse ${result.lhr.lighthouseVersion}, desktop: ${scores.join(', ')}`);
        failed = REQUIRED.filter((id) => categories[id].score !== 1);
        for (const id of failed) {
            const below = categories[id].auditRefs.map((r) => audits[r.id])
                .filter((a) => a.score !== null && a.score < 1 && a.scoreDisplayMode !== 'informative')
                .map((a) => `${a.id}: ${a.title}`);
            console.error(`${id} below 100: ${below.join('; ')}`);
        }
    } finally {
        await browser.close();
        server.close();
    }
    if (failed.length > 0) process.exit(1);
})().catch((e) => {
    console.error(e);
    process.exit(1);
});
