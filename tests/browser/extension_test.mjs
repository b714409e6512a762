// Ferrow's extension in Debian's chromium (headless), against pages that nginx serves on
// 127.0.0.1, with the real native messaging host and a fake main program that records its
// arguments. Also runs the Tavil context-menu pages' script in the same browser.
//
//   node extension_test.mjs --source DIR --host PATH --fake PATH
//
// Prints one line per check; exits 0 when all passed, 1 when any failed, 77 when the browser or
// playwright-core is missing outside CI (with CI set that is a failure).
import fs from "node:fs";
import path from "node:path";

import {
  EXTENSION_ID, WAIT, check, cleanUp, launchChromium, makeSandbox, parseArguments, startNginx,
  summary, unavailable, waitFor, writePages,
} from "./support.mjs";

const args = parseArguments();
const { temp, env, app, records, urlArguments, waitForRecord, notes } = makeSandbox(args);
const base = await startNginx(temp, writePages(temp));
if (!base) await unavailable("nginx is not installed or did not start (run scripts/install-deps)");
const { context, worker } = await launchChromium(temp, env, args);

async function main() {
  check("the extension loads with its fixed id", worker.url().includes(EXTENSION_ID));

  const ping = await worker.evaluate(() => chrome.runtime.sendNativeMessage("com.brennick.ferrow", { command: "ping" }));
  check("the native host answers", ping && ping.ok === true, JSON.stringify(ping));

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
  const note = notes().find((f) => f[1] === zipUrl) || [];
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
process.exit(summary());
