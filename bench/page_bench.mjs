// The log page in headless Chromium: how long a page takes to open and draw, and to draw again
// after a zoom, for twenty minutes of twelve channels and for the 65,535-record benchmark log;
// beside the time quillet-convert takes to write each page and its CSV.
// Usage: QUILLET_NODE_MODULES=DIR node page_bench.mjs CONVERTER QUILLET-BENCH
import { execFileSync } from "node:child_process";
import { statSync } from "node:fs";
import { pathToFileURL } from "node:url";

import { openBrowser, scratchFolder } from "../tests/page/browser.mjs";

const [converter, bench] = process.argv.slice(2);
if (!converter || !bench) {
  console.error("usage: node page_bench.mjs CONVERTER QUILLET-BENCH");
  process.exit(2);
}
const ROUNDS = 3;
const scratch = scratchFolder();

// The best time of each of the converter's runs, taken in turns so that the disk's writing
// back of one run's output slows every kind of run alike.
function bestSecondsInTurns(...runs) {
  const best = runs.map(() => Infinity);
  for (let round = 0; round < ROUNDS; round++) {
    runs.forEach((args, run) => {
      const begun = process.hrtime.bigint();
      execFileSync(converter, args);
      best[run] = Math.min(best[run], Number(process.hrtime.bigint() - begun) / 1e9);
    });
  }
  return best;
}

// Opens the page afresh and gives the milliseconds from the start of its navigation to the
// first frame after it drew, and the page, open.
async function openAndDraw(browser, file) {
  const page = await browser.context.newPage();
  await page.setViewportSize({ width: 1280, height: 800 });
  await page.goto(pathToFileURL(file).href, { timeout: 120000 });
  await page.waitForFunction(() => document.documentElement.dataset.ready === "true", null, { timeout: 120000 });
  const milliseconds = await page.evaluate(() => new Promise((resolve) => {
    requestAnimationFrame(() => resolve(performance.now()));
  }));
  return { page, milliseconds };
}

// Zooms to a share of the log at a place and gives the milliseconds until the next frame.
function zoomTime(page, place, share) {
  return page.evaluate(([place, share]) => {
    const whole = quilletPage.whole();
    const span = (whole.end - whole.start) * share;
    const start = whole.start + (whole.end - whole.start - span) * place;
    const begun = performance.now();
    quilletPage.timeView(start, start + span);
    return new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now() - begun)));
  }, [place, share]);
}

async function measure(browser, name, log, openGoal, sizeGoal) {
  const page = log.replace(/\.pdb$/, ".html");
  const csv = log.replace(/\.pdb$/, ".csv");
  const [pageSeconds, csvSeconds] = bestSecondsInTurns(["--html", page, log], [log, csv]);
  const logBytes = statSync(log).size;
  const pageBytes = statSync(page).size;
  console.log(`${name}: log ${(logBytes / 1e6).toFixed(2)} MB, page ${(pageBytes / 1e6).toFixed(2)} MB ` +
    `(${(pageBytes / logBytes).toFixed(2)} x the log${sizeGoal ? `; goal: at most ${sizeGoal} MB` : ""})`);
  console.log(`  --html ${pageSeconds.toFixed(3)} s, CSV ${csvSeconds.toFixed(3)} s (best of ${ROUNDS}): ` +
    `${(pageSeconds / csvSeconds).toFixed(2)} x the CSV's time (goal: at most 1)`);

  let opening = Infinity;
  let opened = null;
  for (let round = 0; round < ROUNDS; round++) {
    const { page: tab, milliseconds } = await openAndDraw(browser, page);
    opening = Math.min(opening, milliseconds);
    if (opened) await opened.close();
    opened = tab;
  }
  console.log(`  opens and draws in ${(opening / 1000).toFixed(3)} s (best of ${ROUNDS}; goal: at most ${openGoal} s)`);

  const zooms = [];
  for (const share of [0.5, 0.1, 0.01, 0.001, 0.0001, 1]) {
    for (const place of [0.13, 0.5, 0.87]) zooms.push(await zoomTime(opened, place, share));
  }
  zooms.sort((a, b) => a - b);
  console.log(`  redraws after a zoom in ${zooms[Math.floor(zooms.length / 2)].toFixed(1)} ms (median), ` +
    `${zooms[zooms.length - 1].toFixed(1)} ms at most, to the next frame (${zooms.length} zooms; goal: at most 100 ms)`);
  await opened.close();
}

const browser = await openBrowser();
try {
  const small = scratch.file("TwentyMinutesQMRX.pdb");
  const large = scratch.file("BenchQMRX.pdb");
  execFileSync(bench, ["--write-page-log", small]);
  execFileSync(bench, ["--write-log", large]);
  console.log("The log page in headless Chromium at 1280x800");
  await measure(browser, "24,000 samples of 12 channels", small, 1, 1);
  await measure(browser, "65,535 records, 3,276,700 samples of 12 channels", large, 10, null);
} finally {
  await browser.close();
  scratch.remove();
}
