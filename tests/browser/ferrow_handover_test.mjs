// End to end: Ferrow's extension in Debian's chromium hands downloads to a running windowed
// `ferrow` (offscreen platform). "AppPath" names the folder of the real program, so the native
// host starts "ferrow /silent /url=..." there, and that start hands its URLs over to the running
// instance. The running program tells on standard error which windows it opens
// (FERROW_TRACE_DIALOGS): a taken click opens the new-download dialog with the link's URL,
// "Download All" the download-list dialog with the page's three links.
//
//   node ferrow_handover_test.mjs --source DIR --host PATH --ferrow PATH
//
// Exit status as extension_test.mjs.
import { spawn } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

import {
  WAIT, check, cleanUp, launchChromium, makeSandbox, onCleanUp, parseArguments, startNginx,
  summary, unavailable, waitFor, writePages,
} from "./support.mjs";

const args = parseArguments();
const { temp, env } = makeSandbox(args, path.dirname(args.ferrow) + "/");
const base = await startNginx(temp, writePages(temp));
if (!base) await unavailable("nginx is not installed or did not start (run scripts/install-deps)");

// The sandbox of both ferrow processes (the browser passes its environment on to the host, and
// the host to what it starts): folders of their own, an instance name no other run uses, no
// display, the language files from the source tree.
const runtime = path.join(temp, "run");
fs.mkdirSync(runtime, { mode: 0o700 });
fs.mkdirSync(path.join(temp, "downloads"));
Object.assign(env, {
  XDG_RUNTIME_DIR: runtime,
  XDG_DOWNLOAD_DIR: path.join(temp, "downloads"),
  FERROW_PROGRAM_DIR: args.source,
  FERROW_INSTANCE_TAG: `browser-e2e-${process.pid}`,
  FERROW_TRACE_DIALOGS: "1",
  QT_QPA_PLATFORM: "offscreen",
  QT_LOGGING_RULES: "qt.qpa.*=false",
});
const data = path.join(env.XDG_DATA_HOME, "Brennick", "Ferrow");
fs.mkdirSync(data, { recursive: true });
const settings = { AutoRun: "False", StartQueue: "False", MonitorClipboard: "False", EnableIntegration: "False",
  OpenProgress: "False", LanguageFile: "Languages/English.lng" };
fs.writeFileSync(path.join(data, "Settings.xml"),
  `<Root>\r\n${Object.entries(settings).map(([k, v]) => `    <${k}>${v}</${k}>\r\n`).join("")}</Root>\r\n`);

// The running instance; its trace lines collected as they come.
let trace = "";
const ferrow = spawn(args.ferrow, [], { env, detached: true, stdio: ["ignore", "ignore", "pipe"] });
ferrow.stderr.on("data", (chunk) => { trace += chunk.toString("utf8"); });
let ended = false;
ferrow.on("exit", () => { ended = true; });
onCleanUp(async () => {
  if (ended) return;
  try { process.kill(ferrow.pid, "SIGTERM"); } catch (e) {}
  await waitFor("ferrow to end", () => ended, WAIT).catch(() => process.kill(-ferrow.pid, "SIGKILL"));
});
const traced = (line) => trace.split("\n").includes(line);
const waitForTrace = (name, line) => waitFor(name, () => traced(line)).then(
  () => check(name, true), (e) => check(name, false, `${e.message}; ferrow wrote:\n${trace}`));

async function main() {
  await waitForTrace("ferrow shows its window", "ferrow: dialog MainFrame");
  const { context, worker } = await launchChromium(temp, env, args);

  // A click on a listed file: the browser gives it up, the running ferrow asks about it.
  const page = await context.newPage();
  await page.goto(`${base}/click.html`);
  const downloadStarted = page.waitForEvent("download", { timeout: WAIT });
  await page.click("#zip");
  const download = await downloadStarted;
  const zipUrl = `${base}/files/slow/setup.zip`;
  await waitForTrace("a taken click opens the new-download dialog with its URL",
    `ferrow: dialog DownloadFile url=${zipUrl}`);
  check("the browser's own download is cancelled", (await download.failure()) === "canceled");

  // The context menu's "Download All": one dialog with a row per link.
  const links = await context.newPage();
  await links.goto(`${base}/links.html`);
  const tabId = await worker.evaluate(async (url) => (await chrome.tabs.query({ url }))[0].id, `${base}/links.html`);
  const all = await worker.evaluate(({ tabId, pageUrl }) =>
    ferrow.onMenuClicked({ menuItemId: "ferrow-download-all", pageUrl }, { id: tabId, url: pageUrl }),
  { tabId, pageUrl: `${base}/links.html` });
  check("Download All is taken", all && all.ok === true && all.started === 3, JSON.stringify(all));
  await waitForTrace("Download All opens the download-list dialog with three rows", "ferrow: dialog DownloadList urls=3");

  // The later starts handed over and ended: one window, in the first process.
  const windows = trace.split("ferrow: dialog MainFrame").length - 1;
  check("no second main window was opened", windows === 1, windows === 1 ? "" : trace);
  check("the first ferrow still runs", !ended);
}

try {
  await main();
} catch (e) {
  check("the test ran to its end", false, e.stack || String(e));
}
await cleanUp();
process.exit(summary());
