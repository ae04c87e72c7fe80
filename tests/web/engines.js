// Firefox and WebKit for the page test, each in a window of its own on a
// private Xvfb under openbox (headless Firefox has no WebGL here), and the
// user's real X input there: what a driver sends reaches the page even while
// the pointer is locked, where the browser would keep a real Escape.
// Firefox: Debian's firefox-esr through puppeteer-core's WebDriver BiDi.
// WebKit: WebKitGTK's MiniBrowser through WebKitWebDriver, in plain WebDriver
// requests made with node's own fetch.
// Each page here is served from 127.0.0.1 with a recorder first in its head,
// which keeps what the page's scripts write to the console and every error.
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `ready` every 50 ms for up to `ms`; throws with `what` if it never holds.
async function until(what, ready, ms = 20000) {
    const end = Date.now() + ms;
    for (;;) {
        try {
            const value = await ready();
            if (value) return value;
        } catch (e) {
            if (Date.now() > end) throw e;
        }
        if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
        await sleep(50);
    }
}

// An Xvfb of its own (the first free display number) with openbox on it.
async function startDesktop() {
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                       { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    let told = '';
    xvfb.stdio[3].on('data', (d) => { told += d; });
    const number = await until('Xvfb to start', () => /\n/.test(told) && told.trim());
    const display = `:${number}`;
    const env = { ...process.env, DISPLAY: display };
    const openbox = spawn('openbox', [], { env, stdio: 'ignore' });
    await until('openbox to manage the screen', () => {
        execFileSync('wmctrl', ['-m'], { env, stdio: 'ignore' });
        return true;
    });
    const xdotool = (...args) => execFileSync('xdotool', args.map(String), { env, stdio: 'ignore' });
    return {
        display, env, xdotool,
        stop() {
            openbox.kill();
            xvfb.kill();
        },
    };
}

// What a page's scripts write to the console and every uncaught error, kept
// in the page from before its own scripts run.
const RECORDER = `<script>(function () {
  var said = window.marelSaid = [];
  ['log', 'info', 'warn', 'error', 'debug'].forEach(function (type) {
    var original = console[type];
    console[type] = function () {
      said.push('console.' + type + ': ' + Array.prototype.join.call(arguments, ' '));
      return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (e) { said.push('page error: ' + e.message); });
  window.addEventListener('unhandledrejection', function (e) { said.push('page error: ' + e.reason); });
})();</script>`;

// A static server on 127.0.0.1 for `pages` (address: { file } or { text }),
// with `first` put first in each page's head; its address.
async function serve(pages, first = '') {
    const server = http.createServer((request, response) => {
        const page = pages[request.url];
        if (page === undefined) {
            response.writeHead(204);  // the browser's favicon request: no icon, and no failed load
            response.end();
            return;
        }
        const text = page.file ? fs.readFileSync(page.file, 'utf8') : page.text;
        response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
        response.end(text.replace('<head>', '<head>' + first));
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return { url: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
}

// The real mouse and keyboard on the page's desktop, in the page's CSS pixels:
// where the page lies on the screen is read once from a real movement.
async function realInput(desktop, page) {
    await page.evaluate(() => {
        window.marelScreenOffset = null;
        document.addEventListener('mousemove', (e) => {
            window.marelScreenOffset = [e.screenX - e.clientX, e.screenY - e.clientY];
        }, true);
    });
    const size = await page.evaluate(() => [window.innerWidth, window.innerHeight]);
    const offset = await until('the page to see the pointer', async () => {
        // Somewhere inside the window, whichever way openbox placed it.
        for (const [x, y] of [[640, 512], [400, 400], [300, 300]]) {
            desktop.xdotool('mousemove', x, y);
            await sleep(100);
            desktop.xdotool('mousemove', x + 3, y + 2);
            await sleep(100);
            const seen = await page.evaluate(() => window.marelScreenOffset);
            if (seen) return seen;
        }
        return null;
    });
    const at = (x, y) => [Math.round(x + offset[0]), Math.round(y + offset[1])];
    if (size[0] < 600 || size[1] < 550) throw new Error(`the browser's page is only ${size}`);
    return {
        move: async (x, y) => desktop.xdotool('mousemove', ...at(x, y)),
        // Relative motion, as a mouse makes: under the lock only that counts.
        moveBy: async (dx, dy) => desktop.xdotool('mousemove_relative', '--', dx, dy),
        // Paced so that the browser's own warp back to the middle of its
        // window, with which it holds a locked pointer on X, comes between
        // them: a move made meanwhile would be undone by it.
        steps: async (count, dx, dy) => {
            const chain = [];
            for (let i = 0; i < count; ++i) chain.push('mousemove_relative', '--', dx, dy, 'sleep', '0.05');
            desktop.xdotool(...chain);
        },
        click: async (x, y) => desktop.xdotool('mousemove', ...at(x, y), 'click', 1),
        down: async () => desktop.xdotool('mousedown', 1),
        up: async () => desktop.xdotool('mouseup', 1),
        escape: async () => desktop.xdotool('key', 'Escape'),
        wheel: async () => desktop.xdotool('click', 5),
        menuKey: async () => desktop.xdotool('key', 'Menu'),
    };
}

async function freePort() {
    const server = net.createServer();
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const { port } = server.address();
    await new Promise((resolve) => server.close(resolve));
    return port;
}

// Firefox, one window per page, through puppeteer-core.
async function launchFirefox(desktop) {
    const puppeteer = require('puppeteer-core');
    const browser = await puppeteer.launch({
        browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false,
        env: desktop.env, args: ['--width=800', '--height=700'],
        extraPrefsFirefox: { 'browser.shell.checkDefaultBrowser': false },
    });
    return {
        async newPage() {
            const page = (await browser.pages()).find((p) => p.url() === 'about:blank') || await browser.newPage();
            return {
                goto: (url) => page.goto(url),
                title: () => page.title(),
                evaluate: (fn, ...args) => page.evaluate(fn, ...args),
                close: () => page.close(),
            };
        },
        close: () => browser.close(),
    };
}

// WebKitGTK's MiniBrowser through WebKitWebDriver: one session, one page.
async function launchWebKit(desktop) {
    const port = await freePort();
    const driver = spawn('WebKitWebDriver', [`--port=${port}`], { env: desktop.env, stdio: 'ignore' });
    const base = `http://127.0.0.1:${port}`;
    const call = async (method, where, body) => {
        const response = await fetch(base + where, {
            method, headers: { 'Content-Type': 'application/json' },
            body: body === undefined ? undefined : JSON.stringify(body),
        });
        const answer = await response.json();
        if (answer.value && answer.value.error) throw new Error(`WebDriver ${where}: ${JSON.stringify(answer.value)}`);
        return answer.value;
    };
    const session = await until('WebKitWebDriver to start a MiniBrowser', () => call('POST', '/session', {
        capabilities: { alwaysMatch: { browserName: 'MiniBrowser', 'webkitgtk:browserOptions': {
            binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] } } },
    }));
    const at = `/session/${session.sessionId}`;
    await call('POST', `${at}/window/rect`, { width: 800, height: 700 });
    return {
        async newPage() {
            return {
                goto: (url) => call('POST', `${at}/url`, { url }),
                title: () => call('GET', `${at}/title`),
                // The function's source and its arguments, as JSON; a promise it returns is awaited.
                async evaluate(fn, ...args) {
                    const answer = await call('POST', `${at}/execute/async`, {
                        script: `const done = arguments[arguments.length - 1];
                                 Promise.resolve().then(() => (${fn.toString()}).apply(null,
                                     Array.prototype.slice.call(arguments, 0, -1)))
                                 .then((value) => done({ value: value === undefined ? null : value }),
                                       (e) => done({ error: String(e && e.stack || e) }));`,
                        args,
                    });
                    if (answer.error) throw new Error(answer.error);
                    return answer.value;
                },
                close: () => call('POST', `${at}/url`, { url: 'about:blank' }),
            };
        },
        async close() {
            await call('DELETE', at).catch(() => {});
            driver.kill();
        },
    };
}

module.exports = { startDesktop, serve, RECORDER, realInput, launchFirefox, launchWebKit, sleep, until };
