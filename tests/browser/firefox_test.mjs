// Ferrow's extension in Debian's firefox-esr (headless), installed as a temporary add-on over
// WebDriver BiDi, with the native host registered for the test's own home folder: a click on a
// listed file reaches the fake main program. (The context-menu handlers are checked in
// chromium, where a test can call into the extension's worker.)
//
//   node --experimental-websocket firefox_test.mjs --source DIR --host PATH --fake PATH
//
// Exit status as extension_test.mjs.
import fs from "node:fs";
import path from "node:path";

import {
  WAIT, check, cleanUp, freePort, makeSandbox, onCleanUp, parseArguments, startGroup, startNginx,
  summary, unavailable, waitFor, writePages,
} from "./support.mjs";

const args = parseArguments();
const firefox = process.env.FERROW_FIREFOX || "/usr/bin/firefox-esr";
if (typeof WebSocket === "undefined") await unavailable("this Node.js has no WebSocket (Node.js 20 needs --experimental-websocket)");
if (!fs.existsSync(firefox)) await unavailable(`firefox-esr is not installed at ${firefox} (run scripts/install-deps)`);

const { temp, env, waitForRecord, notes } = makeSandbox(args);
const base = await startNginx(temp, writePages(temp));
if (!base) await unavailable("nginx is not installed or did not start (run scripts/install-deps)");

// Firefox finds host manifests in ~/.mozilla/native-messaging-hosts: the test's own home.
const home = path.join(temp, "home");
fs.mkdirSync(path.join(home, ".mozilla", "native-messaging-hosts"), { recursive: true });
fs.writeFileSync(path.join(home, ".mozilla", "native-messaging-hosts", "com.brennick.ferrow.json"), JSON.stringify({
  name: "com.brennick.ferrow", description: "Ferrow (test)", path: args.host, type: "stdio",
  allowed_extensions: ["ferrow@brennick"],
}));
const profile = path.join(temp, "firefox");
fs.mkdirSync(profile);
fs.writeFileSync(path.join(profile, "user.js"), [
  ["browser.shell.checkDefaultBrowser", false], ["app.update.enabled", false],
  ["browser.download.folderList", 2], ["browser.download.dir", path.join(temp, "downloads")],
  ["browser.download.useDownloadDir", true], ["browser.download.always_ask_before_handling_new_types", false],
  ["datareporting.policy.dataSubmissionEnabled", false], ["toolkit.telemetry.enabled", false],
  ["network.connectivity-service.enabled", false], ["browser.startup.homepage_override.mstone", "ignore"],
].map(([k, v]) => `user_pref(${JSON.stringify(k)}, ${JSON.stringify(v)});`).join("\n"));

const port = await freePort();
let output = "";
const child = startGroup(firefox, ["--headless", "--no-remote", "--profile", profile, `--remote-debugging-port=${port}`, "about:blank"],
  { env: { ...env, HOME: home, MOZ_HEADLESS: "1" }, stdio: ["ignore", "pipe", "pipe"] });
child.stdout.on("data", (d) => { output += d; });
child.stderr.on("data", (d) => { output += d; });
try {
  await waitFor("firefox's WebDriver BiDi", () => output.includes("WebDriver BiDi listening"));
} catch (e) {
  await unavailable(`firefox-esr did not start: ${output.split("\n").slice(-3).join(" | ")}`);
}

const socket = new WebSocket(`ws://127.0.0.1:${port}/session`);
await new Promise((resolve, reject) => { socket.onopen = resolve; socket.onerror = reject; });
onCleanUp(() => socket.close());
let lastId = 0;
const pending = new Map();
socket.onmessage = (message) => {
  const data = JSON.parse(message.data);
  if (data.id && pending.has(data.id)) {
    pending.get(data.id)(data);
    pending.delete(data.id);
  }
};
function send(method, params = {}) {
  return new Promise((resolve, reject) => {
    const id = ++lastId;
    const timer = setTimeout(() => reject(new Error(`no answer to ${method}`)), WAIT);
    pending.set(id, (data) => {
      clearTimeout(timer);
      if (data.type === "error") reject(new Error(`${method}: ${data.error} ${data.message}`));
      else resolve(data.result);
    });
    socket.send(JSON.stringify({ id, method, params }));
  });
}

async function main() {
  await send("session.new", { capabilities: {} });
  const installed = await send("webExtension.install",
    { extensionData: { type: "path", path: path.join(args.source, "browser", "extension") } });
  check("firefox installs the extension", installed.extension === "ferrow@brennick", JSON.stringify(installed));
  const tree = await send("browsingContext.getTree", {});
  const context = tree.contexts[0].context;
  await send("browsingContext.navigate", { context, url: `${base}/click.html`, wait: "complete" });
  await send("script.evaluate", {
    expression: "document.querySelector('#zip').click()", target: { context }, awaitPromise: false, userActivation: true,
  });
  const zipUrl = `${base}/files/slow/setup.zip`;
  await waitForRecord(zipUrl).then(() => check("a click on a .zip link in firefox starts Ferrow with its URL", true),
    (e) => check("a click on a .zip link in firefox starts Ferrow with its URL", false, e.message));
  const note = notes().find((f) => f[1] === zipUrl) || [];
  check("the page's address goes along from firefox", note[2] === `${base}/click.html`, JSON.stringify(note));
}

try {
  await main();
} catch (e) {
  check("the test ran to its end", false, e.stack || String(e));
}
await cleanUp();
process.exit(summary());
