// Marel's page in a browser engine: the picture read back from real frames,
// the captured pointer's turns, rest, the buttons, the end on Escape and a
// lost context in each of Chromium (headless), Firefox and WebKitGTK (on a
// private Xvfb, moved by real X input); in Chromium also floods of input, a
// page from a server, a frame that may not lock, a small page and a browser
// without WebGL.
// Usage: node page_test.js ENGINE PAGE.html PROBE_PAGE.html NATIVE_PICTURE.ppm
// (ENGINE: chromium, firefox or webkit; the native picture:
// tests/web/reference.cpp, made by scripts/web.sh)
'use strict';
const assert = require('assert');
const fs = require('fs');
const { launch, canvasPixels } = require('./chromium.js');
const engines = require('./engines.js');

const path = require('path');
const engine = process.argv[2];
const [pagePath, probePath, nativePicturePath] = process.argv.slice(3).map((p) => path.resolve(p));
const TURN_RATE = 0.001;  // radians per CSS pixel
const MOVE_SPEED = 20;    // world units per second

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Opens a page (a file, or a URL), keeping every error and everything its
// scripts write to the console. Chromium's own warnings (a blocked pointer
// lock, for one) carry no script's address and are left out.
async function open(browser, where) {
    const page = await browser.newPage();
    const said = [];
    // What the page's scripts write comes with its arguments; the browser's
    // own notes (as on a refused pointer lock) come without any.
    page.on('console', (m) => {
        if (m.args().length > 0) said.push(`console.${m.type()}: ${m.text()}`);
    });
    page.on('pageerror', (e) => said.push(`page error: ${e.message}`));
    await page.goto(where.includes('://') ? where : 'file://' + where);
    return { page, said };
}

// Counts the canvas's pixels that `test` accepts inside a box (top-left origin).
function count(pixels, test, box = { x0: 0, y0: 0, x1: pixels.width, y1: pixels.height }) {
    let n = 0;
    for (let y = box.y0; y < box.y1; ++y) {
        for (let x = box.x0; x < box.x1; ++x) {
            const i = (y * pixels.width + x) * 4;
            if (test(pixels.data[i], pixels.data[i + 1], pixels.data[i + 2])) ++n;
        }
    }
    return n;
}

async function camera(page) {
    return page.evaluate(() => {
        const v = [];
        for (let i = 0; i < 10; ++i) v.push(Module._marelCameraValue(i));
        return { eye: v.slice(0, 3), view: v.slice(3, 6), movedAt: v[9] };
    });
}

// The eye's bearing about the view point seen from above, and its distance.
function bearing(c) {
    return Math.atan2(c.eye[1] - c.view[1], c.eye[0] - c.view[0]);
}
function distance(c) {
    return Math.hypot(c.eye[0] - c.view[0], c.eye[1] - c.view[1], c.eye[2] - c.view[2]);
}
function angleBetween(a, b) {
    let d = bearing(b) - bearing(a);
    while (d > Math.PI) d -= 2 * Math.PI;
    while (d < -Math.PI) d += 2 * Math.PI;
    return d;
}

async function escape(page) {
    // As a real keyboard's Escape, which the browser's Pointer Lock sees.
    const client = await page.target().createCDPSession();
    const key = { key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27, nativeVirtualKeyCode: 27 };
    await client.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...key });
    await client.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key });
    await client.detach();
}

// Chromium's input, as puppeteer's mouse and a real keyboard's Escape; under
// the lock a move's movement is its distance from the last.
function chromiumInput(page) {
    let at = [0, 0];
    const input = {
        move: async (x, y) => { at = [x, y]; await page.mouse.move(x, y); },
        moveBy: async (dx, dy) => input.move(at[0] + dx, at[1] + dy),
        steps: async (count, dx, dy) => { for (let i = 0; i < count; ++i) await input.moveBy(dx, dy); },
        click: async (x, y) => { at = [x, y]; await page.mouse.click(x, y); },
        down: () => page.mouse.down({ button: 'left' }),
        up: () => page.mouse.up({ button: 'left' }),
        escape: () => escape(page),
        wheel: () => page.mouse.wheel({ deltaY: 300 }),
        menuKey: null,  // a driver's key opens no menu: only a real one can show it
    };
    return input;
}

// An engine to open pages in: `open('page' or 'probe')` gives the page, what
// its scripts wrote (`said()`) and, once asked for, the user's input there.
async function startEngine(name) {
    if (name === 'chromium') {
        const browser = await launch();
        return {
            browser,
            async open(which) {
                const { page, said } = await open(browser, which === 'probe' ? probePath : pagePath);
                return { page, said: async () => said, input: async () => chromiumInput(page) };
            },
            close: () => browser.close(),
        };
    }
    const desktop = await engines.startDesktop();
    const server = await engines.serve({ '/index.html': { file: pagePath }, '/probe.html': { file: probePath } },
                                       engines.RECORDER);
    let browser = null;
    try {
        browser = await (name === 'firefox' ? engines.launchFirefox(desktop) : engines.launchWebKit(desktop));
    } catch (e) {
        server.close();
        desktop.stop();
        throw e;
    }
    return {
        async open(which) {
            const page = await browser.newPage();
            await page.goto(`${server.url}/${which === 'probe' ? 'probe' : 'index'}.html`);
            await engines.until('the page to load', () => page.evaluate(() => document.readyState === 'complete'));
            return { page, said: () => page.evaluate(() => window.marelSaid),
                     input: () => engines.realInput(desktop, page) };
        },
        async close() {
            await browser.close();
            server.close();
            desktop.stop();
        },
    };
}

async function thePicture(session) {
    const { page, said } = await session.open('page');
    assert.strictEqual(await page.title(), 'Marel');
    const layout = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { x: r.left + r.width / 2, y: r.top + r.height / 2, width: r.width, height: r.height,
                 pageWidth: document.documentElement.clientWidth, pageHeight: document.documentElement.clientHeight,
                 line: document.getElementById('line').textContent };
    });
    assert.deepStrictEqual([layout.width, layout.height], [500, 500], 'the canvas is 500 x 500 CSS pixels');
    assert.ok(Math.abs(layout.x - layout.pageWidth / 2) <= 1 && Math.abs(layout.y - layout.pageHeight / 2) <= 1,
              `the canvas is centred: ${JSON.stringify(layout)}`);
    assert.match(layout.line, /click/i);
    assert.strictEqual(await page.evaluate(() => document.getElementById('buttons').hidden), true,
                       'no touch screen, no on-screen buttons');

    await sleep(2500);  // past the first second, so the figure is no longer 0
    const pixels = await canvasPixels(page);
    assert.deepStrictEqual([pixels.width, pixels.height], [500, 500]);
    const grey = count(pixels, (r, g, b) => r > 40 && Math.abs(r - g) < 8 && Math.abs(g - b) < 8);
    const red = count(pixels, (r, g, b) => r > 200 && g < 60 && b < 60);
    const green = count(pixels, (r, g, b) => g > 200 && r < 60 && b < 60);
    const blue = count(pixels, (r, g, b) => b > 200 && r < 60 && g < 60);
    assert.ok(grey > 10000, `the lit surface covers the middle: ${grey} grey pixels`);
    // The green axis runs along the water towards the viewer: the passing
    // waves hide up to half of it, as far as the wave has come by then.
    assert.ok(red > 40 && green > 15 && blue > 100, `each axis in its colour: ${red} red, ${green} green, ${blue} blue`);
    // The figure: white 9 x 15 glyphs standing on y = 10 at x = 10 (the bottom
    // row is 3 pixels below the baseline), and none elsewhere in the corner.
    const white = (r, g, b) => r > 250 && g > 250 && b > 250;
    const inFigure = count(pixels, white, { x0: 10, y0: 500 - 10 - 12, x1: 10 + 9 * 3, y1: 500 - 10 + 3 });
    const corner = count(pixels, white, { x0: 0, y0: 400, x1: 100, y1: 500 });
    assert.ok(inFigure >= 15, `the frame-rate figure is drawn: ${inFigure} white pixels`);
    assert.strictEqual(corner, inFigure, 'no white pixel outside the figure\'s glyphs');
    // Some of the figure's glyphs are not 0 ("0" is shown only in the first second).
    const zero = await page.evaluate(() => document.body.getAttribute('data-exit-status'));
    assert.strictEqual(zero, null, 'still running');
    assert.deepStrictEqual(await said(), [], 'nothing written to the console');
    await page.close();
}

// A binary PPM as the canvas's pixels are read: RGBA, rows from the top.
function readPpm(file) {
    const bytes = fs.readFileSync(file);
    const header = bytes.toString('latin1', 0, 32).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
    assert.ok(header, `${file} is a binary PPM`);
    const [width, height] = [Number(header[1]), Number(header[2])];
    const rgb = bytes.subarray(header[0].length);
    const data = new Array(width * height * 4);
    for (let i = 0; i < width * height; ++i) {
        for (let k = 0; k < 3; ++k) data[i * 4 + k] = rgb[i * 3 + k];
        data[i * 4 + 3] = 255;
    }
    return { width, height, data };
}

// The native pictures, one per driven view (the turned and raised ones beside
// the start view's, as web_reference writes them).
const DRIVEN_VIEWS = ['start', 'turned', 'raised'];
function nativePicture(view) {
    const suffix = view === 0 ? '' : `-${DRIVEN_VIEWS[view]}`;
    return readPpm(nativePicturePath.replace(/\.ppm$/, `${suffix}.ppm`));
}

// The same driven frame, drawn by Mesa natively under Xvfb and by the page:
// of the pixels lit in either, at least 98 % match within 12 levels a
// channel; the figure's glyphs are the same pixels; each axis is there.
function expectLikeTheNative(web, native, what) {
    assert.deepStrictEqual([web.width, web.height], [native.width, native.height]);
    let lit = 0;
    let matching = 0;
    const white = (p, i) => p.data[i] > 200 && p.data[i + 1] > 200 && p.data[i + 2] > 200;
    let glyphsDiffer = 0;
    let glyphs = 0;
    for (let y = 0; y < web.height; ++y) {
        for (let x = 0; x < web.width; ++x) {
            const i = (y * web.width + x) * 4;
            const a = web.data.slice(i, i + 3);
            const b = native.data.slice(i, i + 3);
            if (Math.max(...a, ...b) === 0) continue;
            ++lit;
            if (a.every((v, k) => Math.abs(v - b[k]) <= 12)) ++matching;
            if (x < 100 && y >= 400) {
                glyphs += white(web, i) ? 1 : 0;
                glyphsDiffer += white(web, i) !== white(native, i) ? 1 : 0;
            }
        }
    }
    const axes = (p) => ['red', 'green', 'blue'].map((_, k) =>
        count(p, (...c) => c[k] >= 150 && c.every((v, j) => j === k || v <= 80)));
    const share = matching / lit;
    console.log(`${what} against the native one (${engine}): ${matching} of ${lit} lit pixels match ` +
                `(${(100 * share).toFixed(2)} %); figure: ${glyphs} white pixels, ${glyphsDiffer} differ; ` +
                `axes (red, green, blue) here ${axes(web)}, native ${axes(native)}`);
    assert.ok(lit > 10000, `${what}: the surface is lit: ${lit} pixels`);
    assert.ok(share >= 0.98, `${what}: at least 98 % of the lit pixels match: ${(100 * share).toFixed(2)} %`);
    assert.ok(glyphs >= 15 && glyphsDiffer === 0, `${what}: the frame-rate figure's glyphs are the same pixels`);
    for (const [k, n] of axes(web).entries()) {
        assert.ok(n > 40 && n > 0.8 * axes(native)[k], `${what}: axis ${k} is there: ${n} pixels, native ${axes(native)[k]}`);
    }
}

// From the start view, whose view rotation is symmetric, and from a turned
// and a raised one, where the normals' matrix differs from the rotation's
// inverse and must follow the camera from frame to frame.
async function thePictureAgainstTheNative(session) {
    const { page, said } = await session.open('probe');
    await sleep(500);
    for (const [view, name] of DRIVEN_VIEWS.entries()) {
        expectLikeTheNative(await canvasPixels(page, view), nativePicture(view), `the ${name} view's picture`);
    }
    assert.deepStrictEqual(await said(), [], 'nothing written to the console');
    await page.close();
}

async function thePointerAndTheEnd(session) {
    const { page, said, input: inputThere } = await session.open('probe');
    await sleep(800);
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { x: Math.round(r.left + 250), y: Math.round(r.top + 250) };
    });
    const line = () => page.evaluate(() => document.getElementById('line').textContent);
    // The pulse was not swallowed by a slow first frame: its wave is on the
    // water. (Timed by the wall clock, it lasts 314 ms: Firefox and WebKit,
    // drawing in software beside their own start on two cores, may stall for
    // as long, which no page can help; Chromium starts the program at once.)
    if (engine === 'chromium') {
        const wave = await page.evaluate(() => Module._marelLargestWave());
        assert.ok(wave > 0.3, `the pulse's wave is on the water: largest height ${wave}`);
    }
    // Drawn frames allocate nothing once running: a second of them.
    const allocated = await page.evaluate(() => Module._marelAllocations());
    await sleep(1000);
    assert.strictEqual(await page.evaluate(() => Module._marelAllocations()), allocated,
                       'no allocation in a second of drawn frames');
    const input = await inputThere();
    // Before the first click the browser cannot hold the pointer: each
    // movement over the canvas turns the view by its own length, no more.
    await input.move(box.x - 50, box.y);  // coming in: no movement yet
    await sleep(150);
    const cameIn = await camera(page);
    await input.move(box.x + 50, box.y);
    await sleep(150);
    const free = await camera(page);
    const freeTurn = angleBetween(cameIn, free);
    assert.ok(Math.abs(freeTurn + 100 * TURN_RATE) < 1e-3, `100 px uncaptured turns -0.100 rad: ${freeTurn}`);
    await sleep(300);
    assert.deepStrictEqual((await camera(page)).eye, free.eye, 'an uncaptured pointer at rest turns nothing');
    await input.move(box.x, box.y);
    await sleep(150);

    // The first click into the page captures (in a window just opened, too,
    // which gets the focus only once the button is down).
    const start = await camera(page);
    await input.click(box.x, box.y);
    await engines.until('the pointer lock', () => page.evaluate(() => document.pointerLockElement !== null), 2000)
        .catch(async () => assert.fail(`the click captures the pointer; the line says "${await line()}"`));
    await sleep(200);
    assert.strictEqual(await page.evaluate(() => document.pointerLockElement === document.getElementById('canvas')),
                       true, 'the click captures the pointer');
    assert.match(await line(), /Escape frees the mouse; Escape again ends Marel/);
    const captured = await camera(page);
    assert.deepStrictEqual(captured.eye, start.eye, 'the capturing click turns nothing');

    await input.moveBy(200, 0);
    await sleep(200);
    const moved = await camera(page);
    const oneMove = angleBetween(captured, moved);
    assert.ok(Math.abs(oneMove + 200 * TURN_RATE) < 1e-3, `200 px right in one move turns -0.200 rad: ${oneMove}`);

    await input.steps(40, -5, 0);
    await sleep(200);
    const back = await camera(page);
    const steps = angleBetween(moved, back);
    assert.ok(Math.abs(steps - 200 * TURN_RATE) < 1e-3, `200 px left in 5 px steps turns +0.200 rad: ${steps}`);

    await sleep(500);
    const rested = await camera(page);
    assert.deepStrictEqual(rested.eye, back.eye, 'at rest nothing turns');

    // The wheel does nothing while captured: no scrolling (its default
    // prevented), no turn.
    await page.evaluate(() => {
        window.marelDefaults = [];
        for (const type of ['wheel', 'contextmenu']) {
            window.addEventListener(type, (e) => window.marelDefaults.push(`${type} ${e.defaultPrevented}`));
        }
    });
    await input.wheel();
    await sleep(300);
    assert.deepStrictEqual(await page.evaluate(() => window.marelDefaults), ['wheel true'], 'the wheel does nothing');
    assert.deepStrictEqual((await camera(page)).eye, back.eye, 'the wheel turns nothing');

    await input.down();
    await sleep(100);
    const pressed = await camera(page);
    await sleep(500);
    const held = await camera(page);
    await input.up();
    // Timed by the program's own clock reading at its last move.
    const speed = (distance(pressed) - distance(held)) / ((held.movedAt - pressed.movedAt) / 1000);
    assert.ok(held.movedAt - pressed.movedAt > 300 && Math.abs(speed - MOVE_SPEED) < 0.02 * MOVE_SPEED,
              `the held left button moves towards the view point at 20 units/s: ${speed}`);
    await sleep(200);
    const released = await camera(page);
    await sleep(300);
    assert.deepStrictEqual((await camera(page)).eye, released.eye, 'the released button stops the camera');

    // While captured, the first Escape only frees the pointer (the browser
    // keeps it, or the page sees that the pointer was locked when it came),
    // and the button held meanwhile is released with the lock.
    await input.down();
    await sleep(200);
    await input.escape();
    await sleep(300);
    assert.strictEqual(await page.evaluate(() => document.pointerLockElement), null, 'the first Escape frees the mouse');
    assert.strictEqual(await page.evaluate(() => document.body.getAttribute('data-exit-status')), null,
                       'the first Escape does not end Marel');
    const freed = await camera(page);
    await sleep(300);
    assert.deepStrictEqual((await camera(page)).eye, freed.eye, 'the lock\'s end releases the held button');
    await input.up();
    assert.match(await line(), /Click in the picture/);
    // The keyboard's menu key opens no menu over the page (the browsers send
    // its contextmenu event only while the pointer is free).
    if (input.menuKey) {
        await input.menuKey();
        await sleep(300);
        assert.deepStrictEqual(await page.evaluate(() => window.marelDefaults), ['wheel true', 'contextmenu true'],
                               'the menu key opens no menu');
    }
    await input.escape();
    await sleep(300);
    const end = await page.evaluate(() => ({
        status: document.body.getAttribute('data-exit-status'),
        line: document.getElementById('line').textContent }));
    assert.strictEqual(end.status, '1', 'Escape ends Marel with status 1');
    assert.match(end.line, /Marel has ended/);
    const last = await canvasPixels(page);
    await sleep(500);
    assert.deepStrictEqual((await canvasPixels(page)).data, last.data, 'nothing is drawn after the end');
    assert.deepStrictEqual(await said(), [], 'nothing written to the console');
    await page.close();
}

// Counts each animation frame of the page's loop: the display calls (each a
// step of the waves) and the drawn frames in it, through the test build's
// counters. `ended` counts the frames that came after the end.
async function watchThePace(page) {
    await page.evaluate(() => {
        Module._marelWatchPace();
        const frame = Module._marelWebFrame;
        window.marelPace = { frames: [], ended: 0 };
        Module._marelWebFrame = function () {
            if (document.body.getAttribute('data-exit-status') !== null) ++window.marelPace.ended;
            const [calls, drawn] = [Module._marelPace(0), Module._marelPace(1)];
            try {
                return frame.apply(this, arguments);
            } finally {
                window.marelPace.frames.push([Module._marelPace(0) - calls, Module._marelPace(1) - drawn]);
            }
        };
    });
}

// The pace, as counts: with no input, each animation frame makes thirty idle
// calls, each one display call, the thirtieth of which draws; so exactly one
// presented frame per animation frame, thirty steps apart.
async function thePace(session) {
    const { page, said } = await session.open('probe');
    await sleep(800);
    await watchThePace(page);
    await sleep(1000);
    const frames = await page.evaluate(() => window.marelPace.frames.slice(1));
    assert.ok(frames.length >= 20, `animation frames in a second: ${frames.length}`);
    const other = frames.filter(([calls, drawn]) => calls !== 30 || drawn !== 1);
    assert.deepStrictEqual(other, [], `each of ${frames.length} animation frames: 30 display calls, 1 drawn frame`);
    assert.deepStrictEqual(await said(), [], 'nothing written to the console');
    await page.close();
}

// A movement and the ending Escape in one animation frame: after the end
// nothing is delivered again, stepped, drawn or changed, and the page's loop
// has stopped.
async function anEndBehindAMovement(browser) {
    const { page, said } = await open(browser, 'file://' + probePath);
    await sleep(800);
    await watchThePace(page);
    await page.evaluate(async () => {
        const canvas = document.getElementById('canvas');
        const r = canvas.getBoundingClientRect();
        canvas.dispatchEvent(new MouseEvent('mousemove', { clientX: r.left + 200, clientY: r.top + 250, bubbles: true }));
        document.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', code: 'Escape', keyCode: 27,
                                                               bubbles: true }));
        canvas.dispatchEvent(new MouseEvent('mousemove', { clientX: r.left + 300, clientY: r.top + 250, bubbles: true }));
    });
    await sleep(300);
    const state = () => page.evaluate(() => ({
        status: document.body.getAttribute('data-exit-status'), calls: Module._marelPace(0),
        camera: Array.from({ length: 10 }, (_, i) => Module._marelCameraValue(i)),
        ended: window.marelPace.ended }));
    const end = await state();
    const pixels = await canvasPixels(page);
    await sleep(1000);
    assert.strictEqual(end.status, '1', 'Escape ends Marel with status 1');
    assert.deepStrictEqual(await state(), end, 'after the end nothing is stepped or changed');
    assert.strictEqual(end.ended, 0, 'no animation frame after the end');
    assert.deepStrictEqual((await canvasPixels(page)).data, pixels.data, 'nothing is drawn after the end');
    assert.deepStrictEqual(said, [], 'nothing written to the console');
    await page.close();
}

// Moves (and clicks) dispatched on the canvas all in one task, so that they
// reach the page within one animation frame; then waits for the frames that
// deliver them. Each move is { x, y } (canvas pixels, not captured) or
// { dx, dy } (captured); a click is { click: true }.
async function inOneFrame(page, events) {
    await page.evaluate(async (events) => {
        const canvas = document.getElementById('canvas');
        const r = canvas.getBoundingClientRect();
        for (const e of events) {
            if (e.click) {
                canvas.dispatchEvent(new MouseEvent('mousedown', { button: 0, bubbles: true }));
                canvas.dispatchEvent(new MouseEvent('mouseup', { button: 0, bubbles: true }));
            } else if (e.dx !== undefined) {
                canvas.dispatchEvent(new MouseEvent('mousemove', { movementX: e.dx, movementY: e.dy, bubbles: true }));
            } else {
                canvas.dispatchEvent(new MouseEvent('mousemove', { clientX: r.left + e.x, clientY: r.top + e.y,
                                                                   bubbles: true }));
            }
        }
        const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
        await frame();
        await frame();
    }, events);
}

function wrapped(angle) {
    return Math.atan2(Math.sin(angle), Math.cos(angle));
}

// Floods of input in one animation frame, as a 1000 Hz mouse makes over a
// frame held up for a quarter of a second, and more: nothing is lost, each
// turns exactly its total, and the page's own warps are never lost among them.
async function floods(browser) {
    const { page, said } = await open(browser, probePath);
    await sleep(800);
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { x: Math.round(r.left + 250), y: Math.round(r.top + 250) };
    });
    const near = (turn, expected, what) =>
        assert.ok(Math.abs(wrapped(turn - expected)) < 0.002, `${what}: ${turn} rad, not ${expected}`);

    // Not captured, the browser cannot move the pointer, and a step onto the
    // canvas's centre pixel is a movement like any other.
    await page.mouse.move(box.x - 100, box.y);
    await sleep(150);
    let before = await camera(page);
    for (let x = box.x - 95; x <= box.x + 100; x += 5) await page.mouse.move(x, box.y);
    await sleep(200);
    near(angleBetween(before, await camera(page)), -200 * TURN_RATE, '40 steps of 5 px along the centre row');
    // 10,000 moves between the centre and the pixel beside it in one frame:
    // nothing turns once that frame is delivered; then 200 px turns 0.200.
    await page.mouse.move(box.x, box.y);
    await sleep(150);
    before = await camera(page);
    await inOneFrame(page, Array.from({ length: 10000 }, (_, i) => ({ x: 250 + (i % 2 === 0 ? 1 : 0), y: 250 })));
    near(angleBetween(before, await camera(page)), 0, '10,000 moves to and fro by 1 px, not captured');
    await page.mouse.move(box.x + 200, box.y);
    await sleep(200);
    near(angleBetween(before, await camera(page)), -200 * TURN_RATE, 'then 200 px');

    // Captured: 10,000 moves of 1 px in one frame turn 10 rad; then 200 px turns 0.200.
    await page.mouse.move(box.x, box.y);
    await page.mouse.click(box.x, box.y);
    await sleep(300);
    assert.strictEqual(await page.evaluate(() => document.pointerLockElement !== null), true, 'captured');
    before = await camera(page);
    await inOneFrame(page, Array.from({ length: 10000 }, () => ({ dx: 1, dy: 0 })));
    let flooded = await camera(page);
    near(angleBetween(before, flooded), -10000 * TURN_RATE, '10,000 moves of 1 px, captured');
    assert.ok(Math.abs(flooded.eye[2] - before.eye[2]) < 1e-3, 'and the eye as high as before');
    await page.mouse.move(box.x + 200, box.y);
    await sleep(200);
    near(angleBetween(flooded, await camera(page)), -200 * TURN_RATE, 'then 200 px');

    // 1,000 clicks among 1,000 moves of 1 px, in one frame: the moves turn
    // 1 rad, and no button is left held.
    before = await camera(page);
    await inOneFrame(page, Array.from({ length: 2000 }, (_, i) => (i % 2 === 0 ? { click: true } : { dx: 1, dy: 0 })));
    flooded = await camera(page);
    near(angleBetween(before, flooded), -1000 * TURN_RATE, '1,000 moves among 1,000 clicks');
    await sleep(400);
    assert.ok(Math.abs(distance(await camera(page)) - distance(flooded)) < 1e-4, 'no button is left held');
    assert.deepStrictEqual(said, [], 'nothing written to the console');
    await page.close();
}

// A context lost (a GPU reset) and restored: the demo draws on.
async function aLostContext(session) {
    const { page, said } = await session.open('probe');
    await sleep(800);
    await page.evaluate(async () => {
        const gl = document.getElementById('canvas').getContext('webgl');
        const lose = gl.getExtension('WEBGL_lose_context');
        lose.loseContext();
        await new Promise((resolve) => setTimeout(resolve, 300));
        lose.restoreContext();
    });
    await sleep(1000);
    const before = await canvasPixels(page);
    await sleep(500);
    const after = await canvasPixels(page);
    const lit = count(after, (r, g, b) => r > 40 && Math.abs(r - g) < 8 && Math.abs(g - b) < 8);
    assert.ok(lit > 10000, `the surface is drawn again after the context came back: ${lit} grey pixels`);
    assert.notDeepStrictEqual(after.data, before.data, 'the waves go on moving');
    // What the program set up once (depth test, lights, material) is set
    // up again in the new context: the same picture as before the loss.
    expectLikeTheNative(await canvasPixels(page, 1), nativePicture(1), 'after a lost context, the turned view');
    assert.deepStrictEqual(await said(), [], 'nothing written to the console');
    await page.close();
}

// The same page from a static web server on 127.0.0.1.
async function fromAServer(browser) {
    const server = await engines.serve({ '/index.html': { file: pagePath } });
    try {
        const { page, said } = await open(browser, `${server.url}/index.html`);
        await sleep(1000);
        assert.strictEqual(await page.title(), 'Marel');
        const pixels = await canvasPixels(page);
        const lit = count(pixels, (r, g, b) => r > 40 && Math.abs(r - g) < 8 && Math.abs(g - b) < 8);
        assert.ok(lit > 10000, `served over HTTP, the surface is drawn: ${lit} grey pixels`);
        assert.deepStrictEqual(said, []);
        await page.close();
    } finally {
        server.close();
    }
}

// In a frame that may not lock the pointer (sandboxed without
// allow-pointer-lock), the page works as on a desktop that drops warps: the
// refused click is a click, movement turns by itself, a held button moves
// the camera until it is released or the page is put away, and no error.
async function aFrameThatMayNotLock(browser) {
    const server = await engines.serve({
        '/probe.html': { file: probePath },
        '/frame.html': { text: '<!DOCTYPE html><body style="margin:0"><iframe sandbox="allow-scripts" ' +
                               'src="/probe.html" style="width:780px;height:680px;border:0"></iframe>' },
    });
    try {
        const { page, said } = await open(browser, `${server.url}/frame.html`);
        await sleep(800);
        const frame = page.frames().find((f) => f.url().endsWith('/probe.html'));
        const box = await frame.evaluate(() => {
            const r = document.getElementById('canvas').getBoundingClientRect();
            return { x: Math.round(r.left + 250), y: Math.round(r.top + 250) };
        });  // the frame lies at the page's origin
        await page.mouse.move(box.x - 50, box.y);
        await sleep(150);
        await page.mouse.click(box.x - 50, box.y);
        await sleep(200);
        assert.strictEqual(await frame.evaluate(() => document.pointerLockElement), null, 'the lock is refused');
        const before = await camera(frame);
        await page.mouse.move(box.x + 50, box.y);
        await sleep(150);
        const turned = angleBetween(before, await camera(frame));
        assert.ok(Math.abs(turned + 100 * TURN_RATE) < 1e-3, `100 px turns -0.100 rad: ${turned}`);

        await page.mouse.down({ button: 'left' });
        await sleep(400);
        const pressed = await camera(frame);
        assert.ok(distance(pressed) < distance(before) - 4, 'the held button moves the camera in');
        // Another tab comes to the front: this one is hidden and loses focus.
        const other = await browser.newPage();
        await other.bringToFront();
        await sleep(300);
        const away = await camera(frame);
        await sleep(300);
        assert.deepStrictEqual((await camera(frame)).eye, away.eye, 'a hidden page releases the held button');
        await other.close();
        await page.bringToFront();
        await sleep(300);
        const back = await camera(frame);
        await sleep(300);
        assert.deepStrictEqual((await camera(frame)).eye, back.eye, 'and nothing moves on the return');
        assert.ok(distance(back) - distance(away) < 1e-3, 'no burst of hidden time on the return');
        await page.mouse.up({ button: 'left' });
        // The focus goes elsewhere in a page still shown (a field beside the
        // frame): the held button is released too. (The page's own click
        // takes no focus: its default is prevented, so the frame is given it.)
        await frame.evaluate(() => window.focus());
        assert.strictEqual(await frame.evaluate(() => document.hasFocus()), true, 'the frame has the focus');
        const unheld = await camera(frame);
        await page.mouse.down({ button: 'left' });
        await sleep(300);
        const holding = await camera(frame);
        assert.ok(distance(holding) < distance(unheld) - 4, 'the button held again moves the camera in');
        await page.evaluate(() => {
            const field = document.createElement('input');
            document.body.appendChild(field);
            field.focus();
        });
        await sleep(200);
        const blurred = await camera(frame);
        await sleep(300);
        assert.strictEqual(await frame.evaluate(() => document.visibilityState), 'visible', 'the page is still shown');
        assert.deepStrictEqual((await camera(frame)).eye, blurred.eye, 'the focus gone elsewhere releases the button');
        await page.mouse.up({ button: 'left' });
        assert.deepStrictEqual(said, [], 'no error, nothing written to the console');
        await page.close();
    } finally {
        server.close();
    }
}

// A touch screen (Chromium's touch emulation) and a pen: a one-finger drag
// turns by its length, a new touch elsewhere turns nothing, two fingers
// neither turn nor zoom the page, a pen turns only in contact, none asks for
// the lock, and the on-screen Closer button held for a second moves the
// camera 20 units and opens nothing.
async function touchAndPen(browser) {
    const page = await browser.newPage();
    const said = [];
    page.on('console', (m) => { if (m.location().url) said.push(`console.${m.type()}: ${m.text()}`); });
    page.on('pageerror', (e) => said.push(`page error: ${e.message}`));
    const client = await page.target().createCDPSession();
    await client.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    await page.goto('file://' + probePath);
    await sleep(800);
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { x: Math.round(r.left + 250), y: Math.round(r.top + 250) };
    });
    const touch = (type, points) => client.send('Input.dispatchTouchEvent', {
        type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
    const near = (turn, expected, what) =>
        assert.ok(Math.abs(wrapped(turn - expected)) < 0.002, `${what}: ${turn} rad, not ${expected}`);
    assert.strictEqual(await page.evaluate(() => document.getElementById('buttons').hidden), false,
                       'a touch screen shows the buttons');
    assert.match(await page.evaluate(() => document.getElementById('line').textContent), /Drag in the picture/);

    let before = await camera(page);
    await touch('touchStart', [[box.x - 100, box.y]]);
    for (let x = box.x - 95; x <= box.x + 100; x += 5) await touch('touchMove', [[x, box.y]]);
    await touch('touchEnd', []);
    await sleep(200);
    near(angleBetween(before, await camera(page)), -200 * TURN_RATE, 'a 200 px drag');
    assert.strictEqual(await page.evaluate(() => document.pointerLockElement), null, 'a touch asks for no lock');

    before = await camera(page);
    await touch('touchStart', [[box.x + 150, box.y]]);
    await touch('touchEnd', []);
    await sleep(200);
    near(angleBetween(before, await camera(page)), 0, 'a lift and a touch 150 px away');

    before = await camera(page);
    await touch('touchStart', [[box.x - 20, box.y], [box.x + 20, box.y]]);
    for (let d = 30; d <= 150; d += 10) await touch('touchMove', [[box.x - 20, box.y], [box.x + d, box.y + d]]);
    await touch('touchEnd', []);
    await sleep(200);
    near(angleBetween(before, await camera(page)), 0, 'a second finger');
    assert.strictEqual(await page.evaluate(() => window.visualViewport.scale), 1, 'the page is not zoomed');

    // A pen: hovering turns nothing; in contact it turns as a finger does.
    const pen = (type, x, y, buttons) => client.send('Input.dispatchMouseEvent', {
        type, x, y, pointerType: 'pen', button: type === 'mouseMoved' ? (buttons ? 'left' : 'none') : 'left',
        buttons, clickCount: type === 'mouseMoved' ? 0 : 1 });
    await pen('mouseMoved', box.x, box.y, 0);
    before = await camera(page);
    await pen('mouseMoved', box.x + 80, box.y, 0);
    await sleep(200);
    near(angleBetween(before, await camera(page)), 0, 'a hovering pen');
    await pen('mousePressed', box.x + 80, box.y, 1);
    for (let x = box.x + 70; x >= box.x - 120; x -= 10) await pen('mouseMoved', x, box.y, 1);
    await pen('mouseReleased', box.x - 120, box.y, 0);
    await sleep(200);
    near(angleBetween(before, await camera(page)), 200 * TURN_RATE, 'a pen in contact, 200 px');
    assert.strictEqual(await page.evaluate(() => document.pointerLockElement), null, 'a pen asks for no lock');

    // Closer, held for a second.
    const closer = await page.evaluate(() => {
        const r = document.getElementById('closer').getBoundingClientRect();
        return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];
    });
    const pages = (await browser.pages()).length;
    const start = await camera(page);
    await touch('touchStart', [closer]);
    await sleep(200);
    const pressed = await camera(page);
    await sleep(800);
    const held = await camera(page);
    await touch('touchEnd', []);
    await sleep(200);
    // Timed by the program's own clock reading at its last move.
    const speed = (distance(pressed) - distance(held)) / ((held.movedAt - pressed.movedAt) / 1000);
    assert.ok(held.movedAt - pressed.movedAt > 500 && Math.abs(speed - MOVE_SPEED) < 0.02 * MOVE_SPEED,
              `Closer held moves towards the view point at 20 units/s: ${speed}`);
    const moved = distance(start) - distance(await camera(page));
    assert.ok(Math.abs(moved - MOVE_SPEED) < 0.25 * MOVE_SPEED, `Closer held for about 1 s moves about 20 units: ${moved}`);
    await sleep(300);
    const released = await camera(page);
    await sleep(300);
    assert.ok(Math.abs(distance(await camera(page)) - distance(released)) < 1e-4, 'and stops when let go');
    assert.strictEqual(await page.evaluate(() => window.getSelection().toString()), '', 'no text selected');
    assert.strictEqual((await browser.pages()).length, pages, 'nothing opened');
    assert.deepStrictEqual(said, [], 'nothing written to the console');
    await client.detach();
    await page.close();
}

// Small pages: a high-density 400 x 300 one, and phones upright and on their
// side (360 x 640 and 640 x 360, touch). The canvas is shown smaller, square,
// with the line and the buttons on screen; its drawing buffer stays 500 x 500;
// and a drag is counted in the canvas's own pixels, so that 200 drags of
// 1 CSS px turn 200 x (500 / shown size) x 0.001 rad.
async function smallPages(browser) {
    for (const [width, height, phone] of [[400, 300, false], [360, 640, true], [640, 360, true]]) {
        const what = `${width} x ${height}`;
        const page = await browser.newPage();
        const client = await page.target().createCDPSession();
        await page.setViewport({ width, height, deviceScaleFactor: phone ? 3 : 2, isMobile: phone, hasTouch: phone });
        if (phone) await client.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
        await page.goto('file://' + probePath);
        await sleep(600);
        const facts = await page.evaluate(() => {
            const canvas = document.getElementById('canvas');
            const r = canvas.getBoundingClientRect();
            const root = document.documentElement;
            const lowest = Math.max(...['line', 'buttons'].map((id) => document.getElementById(id))
                .filter((e) => !e.hidden).map((e) => e.getBoundingClientRect().bottom));
            return { css: [r.width, r.height], left: r.left, top: r.top, buffer: [canvas.width, canvas.height],
                     page: [root.clientWidth, root.clientHeight], lowest,
                     scrolls: root.scrollWidth > root.clientWidth || root.scrollHeight > root.clientHeight };
        });
        assert.deepStrictEqual(facts.page, [width, height], `${what}: laid out at the screen's width`);
        assert.deepStrictEqual(facts.buffer, [500, 500], `${what}: the drawing buffer stays 500 x 500`);
        assert.ok(facts.css[0] === facts.css[1] && facts.css[0] < 500 && facts.css[0] >= 100,
                  `${what}: the canvas is shown smaller, square: ${facts.css}`);
        assert.ok(facts.left >= 0 && facts.top >= 0 && facts.left + facts.css[0] <= width && facts.lowest <= height &&
                  !facts.scrolls, `${what}: the canvas and the lines under it are on screen: ${JSON.stringify(facts)}`);
        if (phone) {
            const before = await camera(page);
            const [x, y] = [Math.round(facts.left + facts.css[0] / 2 - 100), Math.round(facts.top + facts.css[1] / 2)];
            const touch = (type, points) => client.send('Input.dispatchTouchEvent', {
                type, touchPoints: points.map(([px, py], id) => ({ x: px, y: py, id })) });
            await touch('touchStart', [[x, y]]);
            for (let i = 1; i <= 200; ++i) await touch('touchMove', [[x + i, y]]);
            await touch('touchEnd', []);
            await sleep(200);
            const turn = angleBetween(before, await camera(page));
            const expected = -200 * (500 / facts.css[0]) * TURN_RATE;
            assert.ok(Math.abs(wrapped(turn - expected)) < 0.002, `${what}: 200 drags of 1 px turn ${turn}, not ${expected}`);
        }
        await client.detach();
        await page.close();
    }
}

// A browser without WebGL, one without WebAssembly and one without its SIMD
// (taken away before the page's scripts run): one line says what the demo
// needs and names what is missing, and the program does not start (a click
// asks for no lock, the cursor is not hidden).
async function withoutWhatItNeeds() {
    // The last: the page's own check finds WebGL, but the program's canvas
    // gets none (a browser out of contexts, a canvas refused by a policy).
    for (const [lacking, canvasOnly] of [['WebGL', false], ['WebAssembly', false], ['WebAssembly SIMD', false],
                                         ['WebGL', true]]) {
        const browser = await launch(lacking === 'WebGL' && !canvasOnly ? ['--disable-3d-apis'] : []);
        try {
            const page = await browser.newPage();
            if (lacking === 'WebAssembly') await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
            if (lacking === 'WebAssembly SIMD') {
                await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
            }
            if (canvasOnly) {
                await page.evaluateOnNewDocument(() => {
                    const getContext = HTMLCanvasElement.prototype.getContext;
                    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
                        return this.id === 'canvas' && /webgl/.test(type) ? null : getContext.call(this, type, ...rest);
                    };
                });
            }
            const said = [];
            page.on('console', (m) => said.push(m.text()));
            page.on('pageerror', (e) => said.push(e.message));
            await page.goto('file://' + pagePath);
            await sleep(500);
            const line = await page.evaluate(() => document.getElementById('line').textContent);
            assert.match(line, /needs a browser with WebGL and WebAssembly/,
                         canvasOnly ? 'the program\'s canvas without WebGL' : `without ${lacking}`);
            assert.ok(line.endsWith(`has no ${lacking}.`), `without ${lacking}, the line names it: ${line}`);
            if (canvasOnly) {
                assert.deepStrictEqual(said, [], 'the program\'s canvas without WebGL');
                continue;
            }
            const box = await page.evaluate(() => {
                const r = document.getElementById('canvas').getBoundingClientRect();
                return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
            });
            await page.mouse.click(box.x, box.y);
            await sleep(200);
            const after = await page.evaluate(() => ({
                lock: document.pointerLockElement, cursor: getComputedStyle(document.getElementById('canvas')).cursor,
                started: typeof Module._marelWebFrame }));
            assert.deepStrictEqual(after, { lock: null, cursor: 'auto', started: 'undefined' },
                                   `without ${lacking}, the program does not start`);
            assert.deepStrictEqual(said, [], `without ${lacking}`);
        } finally {
            await browser.close();
        }
    }
}

// MAREL_PAGE_CHECKS="thePace,floods" runs only the checks named (a
// developer's quicker round); all of them otherwise.
const only = process.env.MAREL_PAGE_CHECKS ? process.env.MAREL_PAGE_CHECKS.split(',') : null;
async function check(fn, ...args) {
    if (!only || only.includes(fn.name)) await fn(...args);
}

(async () => {
    const session = await startEngine(engine);
    try {
        // In a window just opened first: its first click is the one a user makes.
        await check(thePointerAndTheEnd, session);
        await check(thePicture, session);
        await check(thePictureAgainstTheNative, session);
        await check(aLostContext, session);
        await check(thePace, session);
        if (engine === 'chromium') {
            for (const fn of [anEndBehindAMovement, floods, fromAServer, aFrameThatMayNotLock, smallPages,
                              touchAndPen]) {
                await check(fn, session.browser);
            }
        }
    } finally {
        await session.close();
    }
    if (engine === 'chromium') {
        await check(withoutWhatItNeeds);
    }
    console.log(`page test (${engine}): ${only ? `${only.join(', ')} passed` : 'all passed'}`);
})().catch((e) => {
    console.error(e);
    process.exit(1);
});
