// Ferrow's extension in Debian's chromium (headless), against pages that nginx serves on
// 127.0.0.1, with the real native messaging host and a fake main program that records its
// arguments. Also runs the Tavil context-menu pages' script in the same browser.
//
//   node extension_test.mjs --source DIR --host PATH --fake PATH
//
// Prints one line per check; exits 0 when all passed, 1 when any failed, 77 when the browser or
// playwright-core is missing outside CI (with CI set that is a failure).
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";

const SKIP = 77;
const WAIT = 60000;  // generous: the machine may be busy
const args = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, arg, i, all) => (i % 2 ? pairs : [...pairs, [arg.replace(/^--/, ""), all[i + 1]]]), []));
const inCi = !!process.env.CI;
const chromiumPath = process.env.FERROW_CHROMIUM || "/usr/lib/chromium/chromium";
const EXTENSION_ID = "bgpgcilealjmilcbifamnjjkeldjnjpp";

let failed = 0;
let passed = 0;
function check(name, ok, detail = "") {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? "PASS" : "FAIL"} ${name}${detail ? ` -- ${detail}` : ""}`);
}

function unavailable(reason) {
  console.log(`${inCi ? "FAIL" : "SKIP"} ${reason}`);
  process.exit(inCi ? 1 : SKIP);
}

let playwright;
try {
  playwright = await import("playwright-core");
} catch (e) {
  unavailable("playwright-core is not installed (run scripts/install-deps, which runs npm ci in tests/browser)");
}
if (!fs.existsSync(chromiumPath)) unavailable(`chromium is not installed at ${chromiumPath} (run scripts/install-deps)`);
if (!fs.existsSync("/usr/sbin/nginx")) unavailable("nginx is not installed (run scripts/install-deps)");

// --- Everything started here is stopped by the exit handler ------------------------------------
const temp = fs.mkdtempSync(path.join(os.tmpdir(), "ferrow-browser-"));
let nginx = null;
let context = null;
async function cleanUp() {
  if (context) await context.close().catch(() => {});
  context = null;
  if (nginx && nginx.exitCode === null) {
    try { process.kill(-nginx.pid, "SIGKILL"); } catch (e) {}
  }
  if (!process.env.FERROW_KEEP_SERVER_DIRS) fs.rmSync(temp, { recursive: true, force: true });
  else console.log(`kept ${temp}`);
}
process.on("exit", () => {
  if (nginx && nginx.exitCode === null) try { process.kill(-nginx.pid, "SIGKILL"); } catch (e) {}
});
for (const signal of ["SIGINT", "SIGTERM"]) process.on(signal, async () => { await cleanUp(); process.exit(1); });

async function waitFor(what, condition, timeout = WAIT) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.listen(0, "127.0.0.1", () => { const { port } = server.address(); server.close(() => resolve(port)); });
    server.on("error", reject);
  });
}

function canConnect(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, "127.0.0.1", () => { socket.destroy(); resolve(true); });
    socket.on("error", () => resolve(false));
  });
}

// --- The sandbox: registry, data folder, the fake main program ---------------------------------
const env = {
  ...process.env,
  FERROW_REGISTRY_DIR: path.join(temp, "registry"),
  XDG_DATA_HOME: path.join(temp, "data"),
  XDG_CONFIG_HOME: path.join(temp, "config"),
};
const app = path.join(temp, "app");
fs.mkdirSync(app);
fs.copyFileSync(args.fake, path.join(app, "ferrow"));
fs.chmodSync(path.join(app, "ferrow"), 0o755);
const registered = spawnSync(args.host, ["--register", app], { env, encoding: "utf8" });
check("the host stores AppPath", registered.status === 0, registered.stderr);

function records() {
  const folder = path.join(app, "records");
  if (!fs.existsSync(folder)) return [];
  return fs.readdirSync(folder).filter((n) => !n.endsWith(".tmp"))
    .map((n) => fs.readFileSync(path.join(folder, n), "latin1").split("\0").slice(0, -1));
}
const urlArguments = () => records().map((r) => r[2]);
async function waitForRecord(url) {
  return waitFor(`the main program to be started with ${url}`, () => urlArguments().includes(`/url=${url}`));
}

// --- The pages ----------------------------------------------------------------------------------
const www = path.join(temp, "www");
fs.mkdirSync(path.join(www, "files"), { recursive: true });
for (const name of ["setup.zip", "a.zip", "b.zip", "c.zip", "one.zip", "two.zip", "area.zip", "notes.txt"])
  fs.writeFileSync(path.join(www, "files", name), `content of ${name}\n`.repeat(100));
// Sent slowly, so that the browser is still downloading when Ferrow takes it over.
fs.mkdirSync(path.join(www, "files", "slow"));
fs.writeFileSync(path.join(www, "files", "slow", "setup.zip"), Buffer.alloc(4 << 20, 7));
fs.writeFileSync(path.join(www, "pic.png"), Buffer.from(
  "89504e470d0a1a0a0000000d4948445200000001000000010806000000" +
  "1f15c4890000000d49444154789c6300010000050001" + "0d0a2db40000000049454e44ae426082", "hex"));
fs.writeFileSync(path.join(www, "click.html"), `<!doctype html><title>click</title>
<a id="zip" href="files/slow/setup.zip">setup</a><br><a id="small" href="files/setup.zip">small</a><br><a id="txt" href="files/notes.txt" download>notes</a><br><a id="html" href="other.html">other</a>`);
fs.writeFileSync(path.join(www, "other.html"), "<!doctype html><title>other</title>other page");
fs.writeFileSync(path.join(www, "links.html"), `<!doctype html><title>links</title>
<p><a href="files/a.zip">a</a> <a href="files/b.zip">b</a></p><div><a href="files/c.zip">c</a></div>`);
fs.writeFileSync(path.join(www, "menu.html"), `<!doctype html><title>menu</title>
<style>body{margin:0} .box{position:absolute;width:60px;height:60px}</style>
<a href="files/one.zip"><span id="inner" class="box" style="left:0;top:0">text</span></a>
<img id="lone" class="box" src="pic.png" style="left:100px;top:0">
<a href="files/two.zip"><img id="linked" class="box" src="pic.png" style="left:200px;top:0"></a>
<map name="m"><area id="area" shape="rect" coords="0,0,60,60" href="files/area.zip"></map>
<img id="mapped" class="box" usemap="#m" src="pic.png" style="left:300px;top:0">
<p id="plain" class="box" style="left:400px;top:0">plain</p>
<a href="files/a.zip" style="position:absolute;top:100px">a</a>`);

const port = await freePort();
fs.mkdirSync(path.join(temp, "nginx", "temp"), { recursive: true });
const conf = path.join(temp, "nginx", "nginx.conf");
fs.writeFileSync(conf, `daemon off; master_process off; worker_processes 1;
pid ${temp}/nginx/nginx.pid; error_log ${temp}/nginx/error.log warn;
events { worker_connections 256; }
http {
  types { text/html html; text/plain txt; image/png png; application/zip zip; }
  default_type application/octet-stream;
  client_body_temp_path ${temp}/nginx/temp/body; proxy_temp_path ${temp}/nginx/temp/proxy;
  fastcgi_temp_path ${temp}/nginx/temp/fastcgi; uwsgi_temp_path ${temp}/nginx/temp/uwsgi;
  scgi_temp_path ${temp}/nginx/temp/scgi;
  access_log ${temp}/nginx/access.log;
  server {
    listen 127.0.0.1:${port};
    root ${www};
    location = /click.html { add_header Set-Cookie "session=abc; Path=/"; }
    location /files/slow/ { limit_rate 32k; }
  }
}`);
nginx = spawn("/usr/sbin/nginx", ["-p", path.join(temp, "nginx"), "-c", conf, "-e", path.join(temp, "nginx", "error.log")],
  { detached: true, stdio: "ignore" });
const base = `http://127.0.0.1:${port}`;
try {
  await waitFor("nginx to listen", () => canConnect(port), 20000);
} catch (e) {
  console.log(`FAIL nginx did not start: ${e.message}`);
  await cleanUp();
  process.exit(1);
}

// --- Chromium with the extension and the host manifest ----------------------------------------
const profile = path.join(temp, "chromium");
fs.mkdirSync(path.join(profile, "NativeMessagingHosts"), { recursive: true });
fs.writeFileSync(path.join(profile, "NativeMessagingHosts", "com.brennick.ferrow.json"), JSON.stringify({
  name: "com.brennick.ferrow", description: "Ferrow (test)", path: args.host, type: "stdio",
  allowed_origins: [`chrome-extension://${EXTENSION_ID}/`],
}));
const extension = path.join(args.source, "browser", "extension");
try {
  context = await playwright.chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    env,
    timeout: WAIT,
    acceptDownloads: true,
    ignoreDefaultArgs: ["--disable-extensions"],
    args: [
      "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync", "--disable-quic",
      `--disable-extensions-except=${extension}`, `--load-extension=${extension}`,
    ],
  });
} catch (e) {
  console.log(`FAIL chromium could not start: ${e.message.split("\n")[0]}`);
  await cleanUp();
  process.exit(inCi ? 1 : SKIP);
}

async function main() {
  const worker = await waitFor("the extension's service worker", async () => {
    const found = context.serviceWorkers().find((w) => w.url().startsWith(`chrome-extension://${EXTENSION_ID}/`));
    if (!found) return null;
    // The worker target can exist before its script ran.
    return (await found.evaluate(() => typeof globalThis.ferrow === "object").catch(() => false)) ? found : null;
  });
  check("the extension loads with its fixed id", worker.url().includes(EXTENSION_ID));

  const ping = await worker.evaluate(() => chrome.runtime.sendNativeMessage("com.brennick.ferrow", { command: "ping" }));
  check("the native host answers", ping && ping.ok === true, JSON.stringify(ping));

  const menus = await worker.evaluate(() => new Promise((resolve) => setTimeout(resolve, 0, true)));
  check("the worker runs scripts", menus === true);

  // A click on a listed file: the browser's download is cancelled and Ferrow gets it, with the
  // page's cookie and address.
  const page = await context.newPage();
  await page.goto(`${base}/click.html`);
  const downloadStarted = page.waitForEvent("download", { timeout: WAIT });
  await page.click("#zip");
  const download = await downloadStarted;
  const zipUrl = `${base}/files/slow/setup.zip`;
  await waitForRecord(zipUrl).then(() => check("a click on a .zip link starts Ferrow with its URL", true),
    (e) => check("a click on a .zip link starts Ferrow with its URL", false, e.message));
  const record = records().find((r) => r[2] === `/url=${zipUrl}`) || [];
  check("the program is started as <AppPath>ferrow /silent /url=...",
    record[0] === path.join(app, "ferrow") && record[1] === "/silent" && record.length === 3, JSON.stringify(record));
  const failure = await download.failure();
  check("the browser's own download is cancelled", failure === "canceled", String(failure));
  const notes = fs.readFileSync(path.join(temp, "data", "Brennick", "Ferrow", "BrowserHandover.txt"), "utf8");
  const note = notes.split("\n").map((l) => l.split("\t")).find((f) => f[1] === zipUrl) || [];
  check("the page's cookie and address go along", note[2] === `${base}/click.html` && note[3] === "session=abc",
    JSON.stringify(note));

  // A file that is not on the list stays with the browser.
  const before = records().length;
  const txtStarted = page.waitForEvent("download", { timeout: WAIT });
  await page.click("#txt");
  const txt = await txtStarted;
  const txtPath = await txt.path().catch(() => null);
  check("a .txt download is left to the browser", txtPath !== null && (await txt.failure()) === null);

  // A .html link is a page: the browser shows it.
  await page.click("#html");
  await page.waitForURL(`${base}/other.html`, { timeout: WAIT });
  check("a .html link is left to the browser", (await page.title()) === "other");

  // The context menu's entries, called as the browser calls them.
  const links = await context.newPage();
  await links.goto(`${base}/links.html`);
  const tabId = await worker.evaluate(async (url) => (await chrome.tabs.query({ url }))[0].id, `${base}/links.html`);
  const all = await worker.evaluate(({ tabId, pageUrl }) =>
    ferrow.onMenuClicked({ menuItemId: "ferrow-download-all", pageUrl }, { id: tabId, url: pageUrl }),
  { tabId, pageUrl: `${base}/links.html` });
  check("Download All is taken", all && all.ok === true && all.started === 3, JSON.stringify(all));
  const joined = ["a", "b", "c"].map((n) => `${base}/files/${n}.zip`).join("|");
  await waitForRecord(joined).then(() => check("Download All hands over all three links, the last included", true),
    (e) => check("Download All hands over all three links, the last included", false, e.message));

  const one = await worker.evaluate((url) =>
    ferrow.onMenuClicked({ menuItemId: "ferrow-download", linkUrl: url, pageUrl: url }, { id: 1 }), `${base}/files/one.zip`);
  check("Download with Ferrow on a link", one && one.ok === true);
  await waitForRecord(`${base}/files/one.zip`).then(() => check("the link's URL reaches Ferrow", true),
    (e) => check("the link's URL reaches Ferrow", false, e.message));
  const image = await worker.evaluate((src) =>
    ferrow.onMenuClicked({ menuItemId: "ferrow-download", srcUrl: src, pageUrl: src }, { id: 1 }), `${base}/pic.png`);
  check("Download with Ferrow on an image takes its source", image && image.ok === true);
  await waitForRecord(`${base}/pic.png`).then(() => check("the image's URL reaches Ferrow", true),
    (e) => check("the image's URL reaches Ferrow", false, e.message));

  // Taking over switched off with the toolbar button: the browser keeps listed files too.
  await worker.evaluate(() => ferrow.onToolbarClicked());
  check("the toolbar button turns taking over off", (await worker.evaluate(() => ferrow.takingOver())) === false);
  const count = records().length;
  await page.goto(`${base}/click.html`);
  const keptStarted = page.waitForEvent("download", { timeout: WAIT });
  await page.click("#small");
  const kept = await keptStarted;
  const keptPath = await kept.path().catch(() => null);
  check("with taking over off the browser downloads the .zip itself", keptPath !== null && records().length === count);
  await worker.evaluate(() => ferrow.onToolbarClicked());
  check("and on again", (await worker.evaluate(() => ferrow.takingOver())) === true);
  check("nothing else was started", !urlArguments().some((u) => u.includes("other.html") || u.includes("notes.txt")),
    JSON.stringify(urlArguments()) + ` (${before} before)`);

  await tavilPages();
}

// The Tavil pages' script, run as its browser would run it: with the object and the menu's
// arguments given, on a page with links, images and an image map.
async function tavilPages() {
  const source = (name) => {
    const html = fs.readFileSync(path.join(args.source, "plugins", "ie", "pages", name), "utf8");
    return html.slice(html.indexOf("<script") + html.slice(html.indexOf("<script")).indexOf(">") + 1, html.indexOf("</script>"));
  };
  const one = source("download.html");
  const all = source("download_all.html");
  const page = await context.newPage();
  await page.goto(`${base}/menu.html`);
  await page.waitForFunction(() => [...document.images].every((i) => i.complete));
  const run = (script, { type = "MenuExtAnchor", x = 0, y = 0, object = true } = {}) => page.evaluate(
    ({ script, type, x, y, object }) => {
      const calls = [];
      const alerts = [];
      window.ActiveXObject = function (progId) {
        if (!object || progId !== "Tavil.TavilObj.1") throw new Error("no such object");
        this.Download = (url) => calls.push(url);
      };
      window.alert = (text) => alerts.push(text);
      window.external.menuArguments = { document, event: { type, clientX: x, clientY: y } };
      (0, eval)(script);
      return { calls, alerts };
    }, { script, type, x, y, object });
  const cases = [
    ["a span inside a link gives the link", { x: 30, y: 30 }, [`${base}/files/one.zip`]],
    ["an image without a link gives its source", { x: 130, y: 30, type: "MenuExtImage" }, [`${base}/pic.png`]],
    ["an image inside a link gives the link", { x: 230, y: 30, type: "MenuExtImage" }, [`${base}/files/two.zip`]],
    ["an area of an image map gives its link", { x: 330, y: 30, type: "MenuExtUnknown" }, [`${base}/files/area.zip`]],
    ["plain text gives nothing", { x: 430, y: 30 }, []],
    ["another kind of menu event gives nothing", { x: 30, y: 30, type: "MenuExtText" }, []],
  ];
  for (const [name, options, expected] of cases) {
    const { calls } = await run(one, options);
    check(`page 300: ${name}`, JSON.stringify(calls) === JSON.stringify(expected), JSON.stringify(calls));
  }
  const { calls } = await run(all);
  const links = ["one.zip", "two.zip", "area.zip", "a.zip"].map((n) => `${base}/files/${n}`).join("|");
  check("page 301: all links joined by |, the last included", JSON.stringify(calls) === JSON.stringify([links]),
    JSON.stringify(calls));
  const missing = await run(all, { object: false });
  check("page 301 without the object shows its alert",
    missing.calls.length === 0 && missing.alerts[0] === "Tavil.so is missing or corrupt.\nPlease reinstall Ferrow to fix this problem.",
    JSON.stringify(missing.alerts));
}

try {
  await main();
} catch (e) {
  check("the test ran to its end", false, e.stack || String(e));
}
await cleanUp();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
