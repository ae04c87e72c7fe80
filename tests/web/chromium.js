// Debian's headless Chromium, driven by puppeteer-core: what the browser
// test and the measurements share.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const EXECUTABLES = ['/usr/lib/chromium/chromium', '/usr/bin/chromium'];

// WebGL on SwiftShader, as the page test runs it; or, with `{ mesa: true }`,
// through ANGLE on Mesa's EGL (llvmpipe here), the native build's rasteriser,
// for like-for-like figures.
const SWIFTSHADER = ['--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'];
const MESA = ['--use-gl=angle', '--use-angle=gl-egl', '--ignore-gpu-blocklist'];

async function launch(extraArgs = [], { mesa = false } = {}) {
    const executablePath = EXECUTABLES.find((p) => fs.existsSync(p));
    if (!executablePath) throw new Error('no Chromium (Debian package chromium)');
    const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'marel-chromium-'));
    const browser = await puppeteer.launch({
        executablePath,
        headless: true,
        userDataDir,
        args: ['--headless', '--no-sandbox', ...(mesa ? MESA : SWIFTSHADER), '--disable-gpu-sandbox',
               '--disable-background-networking', '--disable-component-update',
               '--disable-sync', '--no-first-run', '--window-size=800,700', ...extraArgs],
        defaultViewport: { width: 800, height: 700 },
    });
    const close = browser.close.bind(browser);
    browser.close = async () => {
        await close();
        fs.rmSync(userDataDir, { recursive: true, force: true });
    };
    return browser;
}

// The canvas's pixels as [r, g, b, a] rows, top row first, read in the page
// and passed out as base64 (a million numbers would be slow through any
// driver's protocol). With `drivenView` (0 the start view, 1 turned, 2
// raised), the test build's driven picture is drawn first and read in the
// same task, before another animation frame can draw. `page` is any page with
// puppeteer's `evaluate`.
async function canvasPixels(page, drivenView = null) {
    const read = await page.evaluate(async (drivenView) => {
        const canvas = document.getElementById('canvas');
        if (drivenView !== null) Module._marelDrawDrivenPicture(drivenView);
        const image = new Image();
        image.src = canvas.toDataURL('image/png');
        await image.decode();
        const copy = document.createElement('canvas');
        copy.width = canvas.width;
        copy.height = canvas.height;
        const context = copy.getContext('2d');
        context.drawImage(image, 0, 0);
        const bytes = context.getImageData(0, 0, copy.width, copy.height).data;
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return { width: copy.width, height: copy.height, data: btoa(text) };
    }, drivenView);
    return { width: read.width, height: read.height, data: Buffer.from(read.data, 'base64') };
}

module.exports = { launch, canvasPixels };
