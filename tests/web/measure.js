// Figures of the page in headless Chromium, printed for scripts/web.sh: the
// animation-frame rate (one drawn frame, thirty steps, per animation frame),
// the time one drawn cycle takes inside its frame, the drawing included, and the time from the
// page's start to the end of the first drawn cycle.
// Usage: node measure.js PAGE.html
'use strict';
const path = require('path');
const { launch } = require('./chromium.js');

(async () => {
    const browser = await launch();
    try {
        const page = await browser.newPage();
        // Every animation-frame callback timed; the page has no others.
        await page.evaluateOnNewDocument(() => {
            const original = window.requestAnimationFrame.bind(window);
            window.marelFrames = [];
            const pixel = new Uint8Array(4);
            window.requestAnimationFrame = (callback) => original((time) => {
                const start = performance.now();
                let code = start;
                try {
                    callback(time);
                } finally {
                    code = performance.now();
                    // WebGL's work is done in the browser's GPU process, which
                    // finish() does not wait for: a one-pixel read does, so
                    // that the cycle's time includes the drawing itself.
                    const gl = document.getElementById('canvas').getContext('webgl');
                    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
                    window.marelFrames.push([start, performance.now(), code]);
                }
            });
        });
        await page.goto('file://' + path.resolve(process.argv[2]));
        await new Promise((resolve) => setTimeout(resolve, 6000));
        const frames = await page.evaluate(() => window.marelFrames);
        const later = frames.slice(frames.length >> 1);  // past the start
        const seconds = (later[later.length - 1][1] - later[0][0]) / 1000;
        const rate = (later.length - 1) / seconds;
        const cycles = later.map(([a, b]) => b - a).sort((a, b) => a - b);
        const median = cycles[cycles.length >> 1];
        const inCode = later.map(([a, , c]) => c - a).sort((a, b) => a - b)[later.length >> 1];
        console.log(`animation frames: ${rate.toFixed(1)} Hz, so ${(30 * rate).toFixed(0)} steps per second`);
        console.log(`drawn cycle (30 display calls, the last drawing): median ${median.toFixed(2)} ms, ` +
                    `90th percentile ${cycles[Math.floor(cycles.length * 0.9)].toFixed(2)} ms; ` +
                    `of which the page's own code (the steps, lighting, batching) ${inCode.toFixed(2)} ms median`);
        console.log(`page start to the end of the first drawn frame: ${frames[0][1].toFixed(0)} ms`);
    } finally {
        await browser.close();
    }
})().catch((e) => {
    console.error(e);
    process.exit(1);
});
