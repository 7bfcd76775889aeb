// What the page's browser tests and benchmark share: Debian's Chromium, headless, driven by
// playwright-core from the build's npm packages, and quillet-convert run in a folder of its own.
import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { after, before } from "node:test";
import { pathToFileURL } from "node:url";

// Set by CTest and by the benchmark's caller.
export function setting(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
}

const CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
  "--no-first-run", "--disable-background-networking", "--disable-component-update",
  "--disable-sync"];

// A browser with a fresh profile, which closing removes.
export async function openBrowser() {
  const { chromium } = createRequire(join(resolve(setting("QUILLET_NODE_MODULES")), "/"))("playwright-core");
  const profile = mkdtempSync(join(tmpdir(), "quillet-chromium-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.QUILLET_CHROMIUM || "/usr/bin/chromium",
    args: CHROMIUM_FLAGS,
    viewport: { width: 1280, height: 800 },
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// What a suite of browser tests opens before its tests and closes after them: a scratch folder
// holding the logs make_logs writes of each [kind, file name] asked for, and a browser, which is
// the suite's `browser` while its tests run.
export function browserSuite(logs) {
  const suite = { scratch: scratchFolder(), browser: null };
  before(async () => {
    for (const [kind, name] of logs) makeLogs(kind, suite.scratch.file(name));
    suite.browser = await openBrowser();
  });
  after(async () => {
    await suite.browser?.close();
    suite.scratch.remove();
  });
  return suite;
}

// Writes the page and the CSV of a log in one run of quillet-convert, in the scratch folder.
export function writePageAndCsv(scratch, log, name, ...options) {
  const page = scratch.file(`${name}.html`);
  const csv = scratch.file(`${name}.csv`);
  return { page, csv, run: convert(...options, "--html", page, log, csv) };
}

// A folder for one run of tests, removed with everything in it.
export function scratchFolder() {
  const path = mkdtempSync(join(tmpdir(), "quillet-page-"));
  return { path, file: (name) => join(path, name), remove: () => rmSync(path, { recursive: true, force: true }) };
}

// Runs quillet-convert; returns its exit status and what it wrote on standard error.
export function convert(...args) {
  const run = spawnSync(setting("QUILLET_CONVERT"), args, { encoding: "utf8", maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  return { status: run.status, stdout: run.stdout, stderr: run.stderr };
}

export function makeLogs(...args) {
  execFileSync(setting("QUILLET_MAKE_LOGS"), args);
}

// Opens the page file and waits until it has drawn. Every request the page makes is written
// down, and any that is not the page itself is refused.
export async function openPage(browser, file, viewport = { width: 1280, height: 800 }) {
  const page = await browser.context.newPage();
  await page.setViewportSize(viewport);
  const url = pathToFileURL(file).href;
  const requests = [];
  const errors = [];
  page.on("request", (request) => requests.push(request.url()));
  page.on("pageerror", (error) => errors.push(error.message));
  await page.route("**/*", (route) => (route.request().url() === url ? route.continue() : route.abort()));
  await page.goto(url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === "true", null, { timeout: 60000 });
  return { page, url, requests, errors };
}

// The CSV's sample lines as cells: rows[k] is sample k + 1's time and values.
export function csvRows(file, separator = ",") {
  const lines = readFileSync(file, "latin1").split("\r\n");
  return lines.slice(2, -1).map((line) => line.split(separator));
}

// The CSV's heading line.
export function csvHeadings(file, separator = ",") {
  return readFileSync(file, "latin1").split("\r\n")[1].split(separator);
}

// A time cell in hundredths as it reads, and as the page places it: "0:05.150" is 5.150 s.
export function cellTime(cell) {
  const [, minutes, seconds, fraction] = /^(\d+):(\d\d)[.,](\d+)$/.exec(cell);
  return (Number(minutes) * 60 + Number(seconds)) * 100 + Number(`0.${fraction}`) * 100;
}

// What the page reads out at its cursor: the time, the sample's number, every channel's value.
export function readOut(page) {
  return page.evaluate(() => ({
    time: document.getElementById("cursor-time").textContent,
    sample: Number(/sample (\d+) of/.exec(document.getElementById("cursor-sample").textContent)?.[1]),
    values: [...document.querySelectorAll("output.value")].map((value) => value.textContent),
  }));
}
