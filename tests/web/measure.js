// Figures of the page, printed for scripts/web.sh: the animation-frame rate
// (one drawn frame, thirty steps, per animation frame), the time one drawn
// cycle takes inside its frame, the drawing included, the time from the
// page's start to the end of the first drawn cycle, and the rasteriser that
// drew it. In each engine asked for:
//   chromium       headless Chromium, WebGL on SwiftShader (as the page test)
//   chromium-mesa  headless Chromium, WebGL through ANGLE on Mesa's llvmpipe,
//                  the native build's rasteriser
//   firefox        Firefox on a private Xvfb, WebGL on Mesa's llvmpipe
// Usage: node measure.js PAGE.html [ENGINE...]   (chromium when none is named)
'use strict';
const path = require('path');
const { launch } = require('./chromium.js');
const engines = require('./engines.js');

// Every animation-frame callback timed; the page has no others. WebGL's work
// may be done in another process, which finish() does not wait for: a
// one-pixel read does, so that the cycle's time includes the drawing itself.
const TIMER = `<script>(function () {
  var original = window.requestAnimationFrame.bind(window);
  var pixel = new Uint8Array(4);
  window.marelFrames = [];
  window.requestAnimationFrame = function (callback) {
    return original(function (time) {
      var start = performance.now();
      var code = start;
      try {
        callback(time);
      } finally {
        code = performance.now();
        var gl = document.getElementById('canvas').getContext('webgl');
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
        window.marelFrames.push([start, performance.now(), code]);
      }
    });
  };
})();</script>`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function figures(page, engine) {
    await sleep(6000);
    const { frames, renderer } = await page.evaluate(() => {
        const gl = document.getElementById('canvas').getContext('webgl');
        const info = gl.getExtension('WEBGL_debug_renderer_info');
        return { frames: window.marelFrames,
                 renderer: gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER) };
    });
    const later = frames.slice(frames.length >> 1);  // past the start
    const seconds = (later[later.length - 1][1] - later[0][0]) / 1000;
    const rate = (later.length - 1) / seconds;
    const cycles = later.map(([a, b]) => b - a).sort((a, b) => a - b);
    const median = cycles[cycles.length >> 1];
    const inCode = later.map(([a, , c]) => c - a).sort((a, b) => a - b)[later.length >> 1];
    console.log(`${engine}: WebGL drawn by ${renderer}`);
    console.log(`${engine}: animation frames: ${rate.toFixed(1)} Hz, so ${(30 * rate).toFixed(0)} steps per second`);
    console.log(`${engine}: drawn cycle (30 display calls, the last drawing): median ${median.toFixed(2)} ms, ` +
                `90th percentile ${cycles[Math.floor(cycles.length * 0.9)].toFixed(2)} ms; ` +
                `of which the page's own code (the steps, lighting, batching) ${inCode.toFixed(2)} ms median`);
    console.log(`${engine}: page start to the end of the first drawn frame: ${frames[0][1].toFixed(0)} ms`);
}

// The engine's browser, and what stops it and anything it needed.
async function start(engine) {
    if (engine === 'firefox') {
        const desktop = await engines.startDesktop();
        const browser = await engines.launchFirefox(desktop).catch((e) => {
            desktop.stop();
            throw e;
        });
        return { browser, stop: async () => { await browser.close(); desktop.stop(); } };
    }
    if (engine !== 'chromium' && engine !== 'chromium-mesa') throw new Error(`no engine ${engine}`);
    const browser = await launch([], { mesa: engine === 'chromium-mesa' });
    return { browser, stop: () => browser.close() };
}

async function measure(engine, server) {
    const { browser, stop } = await start(engine);
    try {
        const page = await browser.newPage();
        await page.goto(`${server.url}/index.html`);
        await figures(page, engine);
    } finally {
        await stop();
    }
}

(async () => {
    const server = await engines.serve({ '/index.html': { file: path.resolve(process.argv[2]) } }, TIMER);
    try {
        const asked = process.argv.slice(3);
        for (const engine of asked.length > 0 ? asked : ['chromium']) await measure(engine, server);
    } finally {
        server.close();
    }
})().catch((e) => {
    console.error(e);
    process.exit(1);
});
