// What the browser tests share: printed checks, bounded waits, the sandbox with the fake main
// program, and nginx serving a folder on 127.0.0.1. Everything started here is stopped by
// cleanUp(), which the tests call on every way out.
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";

export const SKIP = 77;
export const WAIT = 60000;  // generous: the machine may be busy
export const inCi = !!process.env.CI;

export function parseArguments() {
  const out = {};
  const argv = process.argv.slice(2);
  for (let i = 0; i + 1 < argv.length; i += 2) out[argv[i].replace(/^--/, "")] = argv[i + 1];
  return out;
}

let failed = 0;
let passed = 0;
export function check(name, ok, detail = "") {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? "PASS" : "FAIL"} ${name}${detail ? ` -- ${detail}` : ""}`);
}
export function summary() {
  console.log(`${passed} passed, ${failed} failed`);
  return failed ? 1 : 0;
}

const cleaners = [];
export function onCleanUp(cleaner) {
  cleaners.push(cleaner);
}
export async function cleanUp() {
  while (cleaners.length) await Promise.resolve(cleaners.pop()()).catch(() => {});
}
const groups = [];
process.on("exit", () => {
  for (const pid of groups) try { process.kill(-pid, "SIGKILL"); } catch (e) {}
});
for (const signal of ["SIGINT", "SIGTERM"]) process.on(signal, async () => { await cleanUp(); process.exit(1); });

// A program in a process group of its own, killed with its group at clean-up and at exit.
export function startGroup(program, args, options = {}) {
  const child = spawn(program, args, { detached: true, stdio: "ignore", ...options });
  groups.push(child.pid);
  onCleanUp(() => { try { process.kill(-child.pid, "SIGKILL"); } catch (e) {} });
  return child;
}

export function unavailable(reason) {
  console.log(`${inCi ? "FAIL" : "SKIP"} ${reason}`);
  return cleanUp().then(() => process.exit(inCi ? 1 : SKIP));
}

export async function waitFor(what, condition, timeout = WAIT) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.listen(0, "127.0.0.1", () => { const { port } = server.address(); server.close(() => resolve(port)); });
    server.on("error", reject);
  });
}

export function canConnect(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, "127.0.0.1", () => { socket.destroy(); resolve(true); });
    socket.on("error", () => resolve(false));
  });
}

// A temporary folder with its own registry and data folder, the fake main program in "app",
// and "AppPath" naming it; with `program`, "AppPath" names that folder (a real ferrow) instead.
export function makeSandbox(args, program = null) {
  const temp = fs.mkdtempSync(path.join(os.tmpdir(), "ferrow-browser-"));
  onCleanUp(() => {
    if (process.env.FERROW_KEEP_SERVER_DIRS) console.log(`kept ${temp}`);
    else fs.rmSync(temp, { recursive: true, force: true });
  });
  const env = {
    ...process.env,
    FERROW_REGISTRY_DIR: path.join(temp, "registry"),
    XDG_DATA_HOME: path.join(temp, "data"),
    XDG_CONFIG_HOME: path.join(temp, "config"),
  };
  const app = program || path.join(temp, "app");
  if (!program) {
    fs.mkdirSync(app);
    fs.copyFileSync(args.fake, path.join(app, "ferrow"));
    fs.chmodSync(path.join(app, "ferrow"), 0o755);
  }
  const registered = spawnSync(args.host, ["--register", app], { env, encoding: "utf8" });
  check("the host stores AppPath", registered.status === 0, registered.stderr);
  const records = () => {
    const folder = path.join(app, "records");
    if (!fs.existsSync(folder)) return [];
    return fs.readdirSync(folder).filter((n) => !n.endsWith(".tmp"))
      .map((n) => fs.readFileSync(path.join(folder, n), "latin1").split("\0").slice(0, -1));
  };
  const urlArguments = () => records().map((r) => r[2]);
  const waitForRecord = (url) =>
    waitFor(`the main program to be started with ${url}`, () => urlArguments().includes(`/url=${url}`));
  const notes = () => {
    const file = path.join(temp, "data", "Brennick", "Ferrow", "BrowserHandover.txt");
    return fs.existsSync(file) ? fs.readFileSync(file, "utf8").split("\n").filter(Boolean).map((l) => l.split("\t")) : [];
  };
  return { temp, env, app, records, urlArguments, waitForRecord, notes };
}

// The pages the tests use, in temp/www.
export function writePages(temp) {
  const www = path.join(temp, "www");
  fs.mkdirSync(path.join(www, "files", "slow"), { recursive: true });
  for (const name of ["setup.zip", "a.zip", "b.zip", "c.zip", "one.zip", "two.zip", "area.zip", "notes.txt"])
    fs.writeFileSync(path.join(www, "files", name), `content of ${name}\n`.repeat(100));
  // Sent slowly, so that the browser is still downloading when Ferrow takes it over.
  fs.writeFileSync(path.join(www, "files", "slow", "setup.zip"), Buffer.alloc(4 << 20, 7));
  fs.writeFileSync(path.join(www, "pic.png"), Buffer.from(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000" +
    "1f15c4890000000d49444154789c6300010000050001" + "0d0a2db40000000049454e44ae426082", "hex"));
  fs.writeFileSync(path.join(www, "click.html"), `<!doctype html><title>click</title>
<a id="zip" href="files/slow/setup.zip">setup</a><br><a id="small" href="files/setup.zip">small</a><br>
<a id="txt" href="files/notes.txt" download>notes</a><br><a id="html" href="other.html">other</a>`);
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
  return www;
}

// nginx on 127.0.0.1 serving www; click.html sets the cookie "session=abc". The base URL.
export async function startNginx(temp, www) {
  if (!fs.existsSync("/usr/sbin/nginx")) return null;
  const port = await freePort();
  const dir = path.join(temp, "nginx");
  fs.mkdirSync(path.join(dir, "temp"), { recursive: true });
  const conf = path.join(dir, "nginx.conf");
  fs.writeFileSync(conf, `daemon off; master_process off; worker_processes 1;
pid ${dir}/nginx.pid; error_log ${dir}/error.log warn;
events { worker_connections 256; }
http {
  types { text/html html; text/plain txt; image/png png; application/zip zip; }
  default_type application/octet-stream;
  client_body_temp_path ${dir}/temp/body; proxy_temp_path ${dir}/temp/proxy;
  fastcgi_temp_path ${dir}/temp/fastcgi; uwsgi_temp_path ${dir}/temp/uwsgi; scgi_temp_path ${dir}/temp/scgi;
  access_log ${dir}/access.log;
  server {
    listen 127.0.0.1:${port};
    root ${www};
    location = /click.html { add_header Set-Cookie "session=abc; Path=/"; }
    location /files/slow/ { limit_rate 32k; }
  }
}`);
  startGroup("/usr/sbin/nginx", ["-p", dir, "-c", conf, "-e", path.join(dir, "error.log")]);
  try {
    await waitFor("nginx to listen", () => canConnect(port), 20000);
  } catch (e) {
    return null;
  }
  return `http://127.0.0.1:${port}`;
}

// Debian's chromium, headless, with the extension loaded and the native host registered in its
// profile; the browser, the host and what the host starts get `env`. The browser context and the
// extension's service worker (once its script ran).
export const EXTENSION_ID = "bgpgcilealjmilcbifamnjjkeldjnjpp";
export async function launchChromium(temp, env, args) {
  const chromiumPath = process.env.FERROW_CHROMIUM || "/usr/lib/chromium/chromium";
  let playwright;
  try {
    playwright = await import("playwright-core");
  } catch (e) {
    await unavailable("playwright-core is not installed (run scripts/install-deps, which runs npm ci in tests/browser)");
  }
  if (!fs.existsSync(chromiumPath)) await unavailable(`chromium is not installed at ${chromiumPath} (run scripts/install-deps)`);
  const profile = path.join(temp, "chromium");
  fs.mkdirSync(path.join(profile, "NativeMessagingHosts"), { recursive: true });
  fs.writeFileSync(path.join(profile, "NativeMessagingHosts", "com.brennick.ferrow.json"), JSON.stringify({
    name: "com.brennick.ferrow", description: "Ferrow (test)", path: args.host, type: "stdio",
    allowed_origins: [`chrome-extension://${EXTENSION_ID}/`],
  }));
  const extension = path.join(args.source, "browser", "extension");
  let context;
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
    await unavailable(`chromium could not start: ${e.message.split("\n")[0]}`);
  }
  onCleanUp(() => context.close());
  const worker = await waitFor("the extension's service worker", async () => {
    const found = context.serviceWorkers().find((w) => w.url().startsWith(`chrome-extension://${EXTENSION_ID}/`));
    if (!found) return null;
    // The worker target can exist before its script ran.
    return (await found.evaluate(() => typeof globalThis.ferrow === "object").catch(() => false)) ? found : null;
  });
  return { context, worker };
}
