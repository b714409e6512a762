// Ferrow's browser extension: hands downloads to Ferrow through its native messaging host
// ("ferrow-native-host"), the way the classic plug-ins did.
//
// - Context menu "Download with Ferrow" (links, images) and "Download All with Ferrow" (every
//   link of the page, joined by "|" by the host).
// - A download the browser begins is offered to the host, which takes it when its URL's
//   extension is on the user's "ExtensionList"; a taken download is cancelled in the browser.
//   The toolbar button turns taking over off and on (it stands in for holding Shift).
// - The cookies the browser would send for a URL, and the page it came from, go along, so that
//   downloads behind a login work in Ferrow too.
"use strict";

const ext = globalThis.browser ?? globalThis.chrome;
const HOST = "com.brennick.ferrow";
const MENU_ONE = "ferrow-download";
const MENU_ALL = "ferrow-download-all";

async function createMenus() {
  await ext.contextMenus.removeAll();
  ext.contextMenus.create({ id: MENU_ONE, title: "Download with Ferrow", contexts: ["link", "image"] });
  ext.contextMenus.create({
    id: MENU_ALL,
    title: "Download All with Ferrow",
    contexts: ["page", "link", "image", "selection"],
  });
}

// "name=value; ..." as the browser would send it to url ("" when none or not allowed).
async function cookiesFor(url) {
  try {
    const cookies = await ext.cookies.getAll({ url });
    return cookies.map((c) => `${c.name}=${c.value}`).join("; ");
  } catch (e) {
    return "";
  }
}

async function showProblem(text) {
  await ext.action.setBadgeText({ text: "!" });
  await ext.action.setTitle({ title: `Ferrow: ${text}` });
}

async function showState() {
  const on = await takingOver();
  await ext.action.setBadgeText({ text: on ? "" : "off" });
  await ext.action.setTitle({
    title: on
      ? "Ferrow takes over listed downloads (click to turn off)"
      : "Ferrow leaves downloads to the browser (click to turn on)",
  });
}

// Sends one request to the host; its reply, or an error reply when the host cannot be reached.
async function ask(request) {
  try {
    return await ext.runtime.sendNativeMessage(HOST, request);
  } catch (e) {
    return {
      ok: false,
      error:
        `the helper program cannot be reached (${e.message || e}). ` +
        "Install Ferrow with its browser helper (see its README).",
    };
  }
}

async function handOver(command, urls, referrer) {
  const items = [];
  for (const url of urls) items.push({ url, cookies: await cookiesFor(url) });
  const reply = await ask({ command, referrer: referrer || "", items });
  if (!reply || !reply.ok) await showProblem((reply && reply.error) || "no answer");
  return reply;
}

// Every link target of the page, in document order, the last one included. Runs in the page.
function pageLinks() {
  return Array.from(document.links, (link) => link.href);
}

async function onMenuClicked(info, tab) {
  if (info.menuItemId === MENU_ONE) {
    // The link around the element under the mouse first, else the image itself.
    const url = info.linkUrl || info.srcUrl;
    if (url) return handOver("download", [url], info.pageUrl);
    return null;
  }
  if (info.menuItemId === MENU_ALL && tab && tab.id !== undefined) {
    const [result] = await ext.scripting.executeScript({ target: { tabId: tab.id }, func: pageLinks });
    const links = (result && result.result) || [];
    if (links.length > 0) return handOver("download", links, info.pageUrl || tab.url);
  }
  return null;
}

async function takingOver() {
  const { takeOver } = await ext.storage.local.get("takeOver");
  return takeOver !== false;
}

async function onDownloadCreated(item) {
  const url = item.finalUrl || item.url;
  if (!/^(http|ftp):\/\//.test(url) || !(await takingOver())) return null;
  const reply = await handOver("offer", [url], item.referrer);
  if (!reply || !reply.ok || !reply.taken) return reply;
  // Ferrow has it: the browser's own copy goes, even if it finished meanwhile.
  try {
    await ext.downloads.cancel(item.id);
  } catch (e) {}
  try {
    const [now] = await ext.downloads.search({ id: item.id });
    if (now && now.state === "complete") await ext.downloads.removeFile(item.id);
    await ext.downloads.erase({ id: item.id });
  } catch (e) {}
  return reply;
}

async function onToolbarClicked() {
  await ext.storage.local.set({ takeOver: !(await takingOver()) });
  await showState();
}

ext.runtime.onInstalled.addListener(createMenus);
ext.runtime.onStartup.addListener(createMenus);
ext.contextMenus.onClicked.addListener((info, tab) => {
  onMenuClicked(info, tab);
});
ext.downloads.onCreated.addListener((item) => {
  onDownloadCreated(item);
});
ext.action.onClicked.addListener(onToolbarClicked);

// For tests, which call the handlers as the browser would.
globalThis.ferrow = { onMenuClicked, onDownloadCreated, onToolbarClicked, takingOver, pageLinks };
