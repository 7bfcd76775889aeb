// The log page in headless Chromium: how long a page takes to open and draw, to draw again after
// a zoom, to draw its table again after each change of its controls, and to apply a filter, add a
// computed channel and draw the scatter, for twenty minutes of twelve channels and for the
// 65,535-record benchmark log; beside the time quillet-convert takes to write each page and its
// CSV, and the size of the page against the page of the same log before it compared runs. Then
// the page of two such runs (a log and its copy, compared): how long it takes to open and draw
// against one run's page, and to draw the difference of their tables again after each change of
// its controls. Last, the table of fuel corrections of the benchmark log against its table of
// means, both redrawn after the same changes, and the corrections after each change of their lag.
// Usage: QUILLET_NODE_MODULES=DIR node page_bench.mjs CONVERTER QUILLET-BENCH
import { copyFileSync, statSync } from "node:fs";
import { execFileSync } from "node:child_process";
import { pathToFileURL } from "node:url";

import { openBrowser, scratchFolder } from "../tests/page/browser.mjs";

const [converter, bench] = process.argv.slice(2);
if (!converter || !bench) {
  console.error("usage: node page_bench.mjs CONVERTER QUILLET-BENCH");
  process.exit(2);
}
const ROUNDS = 3;
// A page's opening varies by a third from one opening to the next on a busy machine; the best of
// more of them holds still.
const OPENING_ROUNDS = 7;
// The bytes of the twenty minutes' page before pages compared runs (47373ae), which the page of
// one log may outgrow by a tenth at most; and the goal of a page of two runs against one.
const PAGE_BEFORE_RUNS = 605290;
const PAGE_GROWTH_GOAL = 1.1;
const RUNS_OPENING_GOAL = 1.2;
// The correction table's redraws against the mean table's, at most.
const CORRECTION_GOAL = 2;
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

// Gives the milliseconds from a change of the page's control `id` to `value` (or a click of it,
// without a value) to the next frame after the page handled it.
function changeTime(page, id, value) {
  return page.evaluate(([id, value]) => {
    const control = document.getElementById(id);
    const begun = performance.now();
    if (value === null) {
      control.click();
    } else {
      control.value = value;
      control.dispatchEvent(new Event("change", { bubbles: true }));
    }
    return new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now() - begun)));
  }, [id, value]);
}

// The milliseconds from adding a computed channel to the next frame after it is drawn.
function computedChannelTime(page, name) {
  return page.evaluate((name) => {
    document.getElementById("channel-name").value = name;
    document.getElementById("channel-expression").value = "[Inj P/W] * [RPM] / 1200";
    document.getElementById("channel-decimals").value = "2";
    const begun = performance.now();
    document.getElementById("channel-form").requestSubmit();
    return new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now() - begun)));
  }, name);
}

function report(what, times, goal) {
  const sorted = [...times].sort((a, b) => a - b);
  const median = sorted[Math.floor(sorted.length / 2)];
  const most = sorted.at(-1);
  console.log(times.length === 1
    ? `  ${what} in ${most.toFixed(1)} ms`
    : `  ${what} in ${median.toFixed(1)} ms (median), ${most.toFixed(1)} ms at most (${times.length} times; goal: at most ${goal} ms)`);
}

// The table's controls changed one after another, each back again, and the goal of each.
const TABLE_CHANGES = [
  ["X axis", "table-x", ["Airflow", "RPM"], "table"],
  ["Y axis", "table-y", ["TPS", "Airflow"], "table"],
  ["Values", "table-values", ["Knock", "O2"], "table"],
  ["Statistic", "table-statistic", ["smallest", "largest", "samples", "mean"], "table"],
  ["X cells", "table-x-cells", ["1000 2000 3000 4000 5000 6000 7000", "500 1500 2500 3500 4500 5500 6500 7500"], "table"],
  ["Minimum samples", "table-minimum", ["5", "1"], "table"],
  ["Filter", "filter", ["[Coolant] > 80 and [TPS] >= 20", "abs([RPM] - [RPM-1]) < 200", ""], "filter"],
];

async function measureViews(page, goals) {
  report("shows the table the first time", [await changeTime(page, "tab-table", null)]);
  for (const [label, id, values, goal] of TABLE_CHANGES) {
    const times = [];
    for (let round = 0; round < ROUNDS; round++) {
      for (const value of values) times.push(await changeTime(page, id, value));
    }
    report(`redraws the table after a change of "${label}"`, times, goals[goal]);
  }
  const filters = [];
  for (let round = 0; round < ROUNDS; round++) {
    filters.push(await changeTime(page, "filter", "[Coolant] > 80 and [TPS] >= 20 or [Knock] > [Knock-1]"));
    filters.push(await changeTime(page, "filter", ""));
  }
  report("applies a filter in the table view (its table, the strips' shading and all)", filters, goals.filter);
  const computed = [];
  for (let round = 0; round < ROUNDS; round++) computed.push(await computedChannelTime(page, `Duty ${round}`));
  report("adds a computed channel", computed, goals.computed);
  const scatter = [await changeTime(page, "tab-scatter", null)];
  for (let round = 0; round < ROUNDS; round++) {
    for (const value of ["Knock", "Airflow"]) scatter.push(await changeTime(page, "scatter-y", value));
    scatter.push(await changeTime(page, "scatter-colour", ""));
    scatter.push(await changeTime(page, "scatter-colour", "O2"));
  }
  report("draws the scatter", scatter, goals.scatter);
}

// Opens each page OPENING_ROUNDS times, in turns, so that whatever else the machine does slows each
// alike; gives each page's best time to open and draw it, and its last tab, open.
async function bestOpenings(browser, pages) {
  const openings = pages.map(() => Infinity);
  const opened = pages.map(() => null);
  for (let round = 0; round < OPENING_ROUNDS; round++) {
    for (const [index, page] of pages.entries()) {
      const { page: tab, milliseconds } = await openAndDraw(browser, page);
      openings[index] = Math.min(openings[index], milliseconds);
      if (opened[index]) await opened[index].close();
      opened[index] = tab;
    }
  }
  return { openings, opened };
}

// Measures the log's page.
async function measure(browser, name, log, openGoal, sizeGoal, goals) {
  const page = log.replace(/\.pdb$/, ".html");
  const csv = log.replace(/\.pdb$/, ".csv");
  const [pageSeconds, csvSeconds] = bestSecondsInTurns(["--html", page, log], [log, csv]);
  const logBytes = statSync(log).size;
  const pageBytes = statSync(page).size;
  console.log(`${name}: log ${(logBytes / 1e6).toFixed(2)} MB, page ${(pageBytes / 1e6).toFixed(2)} MB ` +
    `(${(pageBytes / logBytes).toFixed(2)} x the log${sizeGoal ? `; goal: at most ${sizeGoal} MB` : ""})`);
  console.log(`  --html ${pageSeconds.toFixed(3)} s, CSV ${csvSeconds.toFixed(3)} s (best of ${ROUNDS}): ` +
    `${(pageSeconds / csvSeconds).toFixed(2)} x the CSV's time (goal: at most 1)`);

  const { openings: [opening], opened: [opened] } = await bestOpenings(browser, [page]);
  console.log(`  opens and draws in ${(opening / 1000).toFixed(3)} s (best of ${OPENING_ROUNDS}; goal: at most ${openGoal} s)`);

  const zooms = [];
  for (const share of [0.5, 0.1, 0.01, 0.001, 0.0001, 1]) {
    for (const place of [0.13, 0.5, 0.87]) zooms.push(await zoomTime(opened, place, share));
  }
  zooms.sort((a, b) => a - b);
  console.log(`  redraws after a zoom in ${zooms[Math.floor(zooms.length / 2)].toFixed(1)} ms (median), ` +
    `${zooms[zooms.length - 1].toFixed(1)} ms at most, to the next frame (${zooms.length} zooms; goal: at most 100 ms)`);
  await measureViews(opened, goals);
  await opened.close();
}

// The page of the log compared with its copy: its opening against the log's own page, in turns,
// and the difference table redrawn after each change of the table's controls.
async function measureRuns(browser, name, log, openingGoal, goal) {
  const copy = log.replace(/QMRX\.pdb$/, "CopyQMRX.pdb");
  copyFileSync(log, copy);
  const page = log.replace(/QMRX\.pdb$/, "Runs.html");
  execFileSync(converter, ["--compare", "--html", page, log, copy]);
  console.log(`${name}, two runs compared: page ${(statSync(page).size / 1e6).toFixed(2)} MB`);
  const { openings: [oneRunOpening, opening], opened: [oneRun, opened] } =
    await bestOpenings(browser, [log.replace(/\.pdb$/, ".html"), page]);
  await oneRun.close();
  console.log(`  opens and draws in ${(opening / 1000).toFixed(3)} s (best of ${OPENING_ROUNDS}, in turns with one run's), ` +
    `${(opening / oneRunOpening).toFixed(2)} x one run's page${openingGoal ? ` (goal: at most ${openingGoal})` : ""}`);
  await changeTime(opened, "tab-table", null);
  report("shows the difference of the tables", [await changeTime(opened, "table-run", "1-0")]);
  for (const [label, id, values] of TABLE_CHANGES) {
    const times = [];
    for (let round = 0; round < ROUNDS; round++) {
      for (const value of values) times.push(await changeTime(opened, id, value));
    }
    report(`redraws the difference table after a change of "${label}"`, times, goal);
  }
  await opened.close();
}

const median = (times) => [...times].sort((a, b) => a - b)[Math.floor(times.length / 2)];

// The milliseconds of each redraw of the table after each change of `changes`.
async function redrawTimes(page, changes) {
  const times = [];
  for (const [, id, values] of changes) {
    for (const value of values) times.push(await changeTime(page, id, value));
  }
  return times;
}

// The page's table of corrections of a wideband ratio on O2 against a target of the throttle,
// 0.2 s late, redrawn after the same changes of its cells and axes as its table of means, and
// after changes of its lag, which work every sample's correction out again. The tables take
// turns, so that whatever else the machine does slows both alike.
async function measureCorrection(browser, name, log) {
  console.log(`${name}, the table of corrections against that of means`);
  const { page } = await openAndDraw(browser, log.replace(/\.pdb$/, ".html"));
  await changeTime(page, "tab-table", null);
  for (const [id, value] of [["table-measured", "[O2] * 2 + 10"], ["table-target", "14.7 - 2.5 * ([TPS] > 80)"], ["table-lag", "0.2"]]) {
    await changeTime(page, id, value);
  }
  report("shows the correction table the first time", [await changeTime(page, "table-statistic", "correction %")]);
  const changes = TABLE_CHANGES.filter(([label]) => ["X axis", "Y axis", "X cells", "Minimum samples"].includes(label));
  const [means, corrections, lags] = [[], [], []];
  for (let round = 0; round < ROUNDS; round++) {
    await changeTime(page, "table-statistic", "mean");
    means.push(...await redrawTimes(page, changes));
    await changeTime(page, "table-statistic", "correction %");
    corrections.push(...await redrawTimes(page, changes));
    lags.push(...await redrawTimes(page, [["Lag (s)", "table-lag", ["0.3", "0.2"]]]));
  }
  const [mean, correction, lag] = [means, corrections, lags].map(median);
  console.log(`  redraws after a change of ${changes.map(([label]) => `"${label}"`).join(", ")} in ${correction.toFixed(1)} ms ` +
    `against the table of means' ${mean.toFixed(1)} ms (medians): ${(correction / mean).toFixed(2)} x (goal: at most ${CORRECTION_GOAL})`);
  console.log(`  works every sample's correction out again after a change of "Lag (s)" in ${lag.toFixed(1)} ms (median): ` +
    `${(lag / mean).toFixed(2)} x the table of means' redraw (goal: at most ${CORRECTION_GOAL})`);
  await page.close();
}

const browser = await openBrowser();
try {
  const small = scratch.file("TwentyMinutesQMRX.pdb");
  const large = scratch.file("BenchQMRX.pdb");
  execFileSync(bench, ["--write-page-log", small]);
  execFileSync(bench, ["--write-log", large]);
  console.log("The log page in headless Chromium at 1280x800");
  await measure(browser, "24,000 samples of 12 channels", small, 1, 1,
    { table: 50, filter: 50, computed: 500, scatter: 500 });
  const pageBytes = statSync(small.replace(/\.pdb$/, ".html")).size;
  console.log(`  the page: ${pageBytes} bytes, ${(pageBytes / PAGE_BEFORE_RUNS).toFixed(3)} x its ${PAGE_BEFORE_RUNS} bytes ` +
    `before pages compared runs (goal: at most ${PAGE_GROWTH_GOAL})`);
  await measure(browser, "65,535 records, 3,276,700 samples of 12 channels", large, 10, null,
    { table: 300, filter: 500, computed: 500, scatter: 500 });
  await measureRuns(browser, "24,000 samples of 12 channels", small, RUNS_OPENING_GOAL, 50);
  await measureRuns(browser, "65,535 records, 3,276,700 samples of 12 channels", large, null, 600);
  await measureCorrection(browser, "65,535 records, 3,276,700 samples of 12 channels", large);
} finally {
  await browser.close();
  scratch.remove();
}
