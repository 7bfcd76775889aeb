// The page quillet-convert --html writes, opened from file:// in headless Chromium and used as a
// person would: the mouse over the strips, a drag, double-clicks, check boxes and keys. What it
// reads out is compared with the CSV quillet-convert writes of the same log.
import assert from "node:assert/strict";
import { join } from "node:path";
import { before, describe, test } from "node:test";
import { pathToFileURL } from "node:url";

import {
  browserSuite, cellTime, convert, csvRows, openPage, readOut, setting, writePageAndCsv,
} from "./browser.mjs";

const SAMPLES = setting("QUILLET_SAMPLES");
const suite = browserSuite([["clock", "UnsteadyClockQMRX.pdb"], ["seeds", "seeds"]]);
const { scratch } = suite;
const pageAndCsv = (...args) => writePageAndCsv(scratch, ...args);

function expectRow(reading, rows) {
  assert.ok(reading.sample >= 1 && reading.sample <= rows.length, `sample ${reading.sample}`);
  assert.deepEqual([reading.time, ...reading.values], rows[reading.sample - 1], `sample ${reading.sample}`);
}

// The plot area of a strip, in page pixels.
async function plotArea(page, channel) {
  return page.locator(`.strip[data-channel="${channel}"] .u-over`).boundingBox();
}

describe("the read-out", () => {
  test("under the mouse it is the CSV's cells of the nearest sample", async () => {
    const { page: file, csv, run } = pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "third-gear");
    assert.equal(run.status, 0, run.stderr);
    const rows = csvRows(csv);
    const times = rows.map((row) => cellTime(row[0]));
    const { page, requests } = await openPage(suite.browser, file);
    const area = await plotArea(page, 0);
    const view = await page.evaluate(() => quilletPage.view());
    for (const share of [0, 0.013, 0.25, 0.5, 0.731, 0.999]) {
      const x = area.x + share * area.width;
      await page.mouse.move(x, area.y + area.height / 2);
      const reading = await readOut(page);
      expectRow(reading, rows);
      const time = view.start + ((x - area.x) / area.width) * (view.end - view.start);
      const nearest = times.reduce((best, t, i) => (Math.abs(t - time) < Math.abs(times[best] - time) ? i : best), 0);
      assert.equal(reading.sample, nearest + 1, `at ${share} of the strip`);
    }
    assert.deepEqual(requests, [pathToFileURL(file).href]);
    await page.close();
  });

  test("with a decimal comma it is the cells of that CSV", async () => {
    const { page: file, csv, run } = pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "comma",
      "--separator", ";", "--decimal", ",");
    assert.equal(run.status, 0, run.stderr);
    const rows = csvRows(csv, ";");
    const { page } = await openPage(suite.browser, file);
    await page.focus("#strips");
    expectRow(await readOut(page), rows);
    await page.keyboard.press("End");
    expectRow(await readOut(page), rows);
    assert.match((await readOut(page)).time, /,/);
    await page.close();
  });
});

describe("the keys", () => {
  test("Left and Right step one sample in the CSV's order: sample k reads row k, at its time", async () => {
    const { page: file, csv, run } = pageAndCsv(scratch.file("UnsteadyClockQMRX.pdb"), "clock");
    assert.equal(run.status, 0, run.stderr);
    const rows = csvRows(csv);
    assert.ok(rows.some((row, k) => k > 0 && cellTime(row[0]) < cellTime(rows[k - 1][0])), "the clock goes back");
    const { page } = await openPage(suite.browser, file);
    await page.focus("#strips");
    await page.keyboard.press("End");
    await page.keyboard.press("Home");
    for (let step = 1; step <= rows.length; step++) {
      const reading = await readOut(page);
      assert.equal(reading.sample, step);
      assert.deepEqual([reading.time, ...reading.values], rows[step - 1], `sample ${step}`);
      const { cursorTime, view } = await page.evaluate(() => ({
        cursorTime: quilletPage.cursorTime(), view: quilletPage.view(),
      }));
      assert.equal(cursorTime, cellTime(rows[step - 1][0]), `the cursor stands at sample ${step}'s time`);
      assert.ok(cursorTime >= view.start && cursorTime <= view.end);
      await page.keyboard.press("ArrowRight");
    }
    assert.equal((await readOut(page)).sample, rows.length, "the last sample stays");
    await page.keyboard.press("ArrowLeft");
    assert.equal((await readOut(page)).sample, rows.length - 1);
    await page.keyboard.press("Shift+ArrowLeft");
    assert.equal((await readOut(page)).sample, rows.length - 11);
    await page.close();
  });

  test("a page without samples takes no cursor keys and draws no cursor", async () => {
    const { page: file, run } = pageAndCsv(join(scratch.path, "seeds", "damaged-RecordOffsetAtTwoToThe32Less1.pdb"), "empty");
    assert.equal(run.status, 1);
    const { page, errors } = await openPage(suite.browser, file);
    await page.focus("#strips");
    for (const key of ["Home", "End", "ArrowRight", "ArrowLeft", "Shift+ArrowRight"]) {
      await page.keyboard.press(key);
      assert.equal(await page.locator("#cursor-time").textContent(), "-", key);
      assert.equal(await page.locator("#cursor-sample").textContent(), "(the log holds no samples)", key);
      assert.equal(await page.locator("#cursor").isVisible(), false, key);
    }
    await page.getByRole("tab", { name: "Table" }).click();
    assert.match(await page.locator("#table-caption").textContent(), /\. The log holds no samples\.$/);
    await page.getByRole("tab", { name: "Scatter" }).click();
    assert.deepEqual(errors, []);
    await page.close();
  });

  test("the page can be used from the keyboard alone", async () => {
    const { page } = await openPage(suite.browser, pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "keys").page);
    const whole = await page.evaluate(() => quilletPage.whole());
    const focusNext = async (selector) => {
      for (let tab = 0; tab < 40; tab++) {
        await page.keyboard.press("Tab");
        if (await page.evaluate((s) => document.activeElement.matches(s), selector)) return;
      }
      assert.fail(`Tab never reaches ${selector}`);
    };
    await focusNext("#zoom-in");
    await page.keyboard.press("Enter");
    let view = await page.evaluate(() => quilletPage.view());
    assert.ok(Math.abs(view.end - view.start - (whole.end - whole.start) / 2) < 1e-6);
    await focusNext('[role="tab"][aria-selected="true"]');
    await page.keyboard.press("ArrowRight");
    assert.equal(await page.getByRole("tab", { name: "Table" }).getAttribute("aria-selected"), "true");
    assert.equal(await page.locator("#map").isVisible(), true);
    await page.keyboard.press("ArrowLeft");
    assert.equal(await page.locator("#map").isVisible(), false);
    await focusNext('input[data-channel="2"]');
    await page.keyboard.press("Space");
    assert.equal(await page.locator('.strip[data-channel="2"]').isVisible(), false);
    await focusNext("#strips");
    await page.keyboard.press("ArrowRight");
    assert.equal((await readOut(page)).sample, 2);
    await page.keyboard.press("Escape");
    view = await page.evaluate(() => quilletPage.view());
    assert.deepEqual(view, whole);
    await page.close();
  });
});

describe("zoom", () => {
  test("a drag zooms every strip to its range, a double-click or Whole log goes back", async () => {
    const { page } = await openPage(suite.browser, pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "zoom").page);
    const whole = await page.evaluate(() => quilletPage.whole());
    const scales = () => page.evaluate(() => quilletPage.stripScales());
    const expectAll = (found, range) => {
      assert.equal(found.length, 12);
      for (const scale of found) {
        assert.ok(Math.abs(scale.min - range.start) < 1e-6 && Math.abs(scale.max - range.end) < 1e-6,
          `${scale.heading}: ${scale.min} to ${scale.max}, not ${range.start} to ${range.end}`);
      }
    };
    expectAll(await scales(), whole);

    const area = await plotArea(page, 1);
    const drag = async () => {
      await page.mouse.move(area.x + area.width * 0.3, area.y + 10);
      await page.mouse.down();
      await page.mouse.move(area.x + area.width * 0.45, area.y + 12, { steps: 5 });
      await page.mouse.move(area.x + area.width * 0.6, area.y + 14, { steps: 5 });
      await page.mouse.up();
    };
    const dragged = {
      start: whole.start + 0.3 * (whole.end - whole.start),
      end: whole.start + 0.6 * (whole.end - whole.start),
    };
    await drag();
    const zoomed = await scales();
    const span = whole.end - whole.start;
    assert.ok(Math.abs(zoomed[0].min - dragged.start) < span / area.width * 2, `starts at ${zoomed[0].min}`);
    assert.ok(Math.abs(zoomed[0].max - dragged.end) < span / area.width * 2, `ends at ${zoomed[0].max}`);
    expectAll(zoomed, { start: zoomed[0].min, end: zoomed[0].max });

    await page.mouse.dblclick(area.x + area.width / 2, area.y + area.height / 2);
    expectAll(await scales(), whole);

    await drag();
    assert.ok((await scales())[5].max - (await scales())[5].min < span);
    await page.getByRole("button", { name: "Whole log" }).click();
    expectAll(await scales(), whole);
    await page.close();
  });
});

describe("the channels' check boxes", () => {
  test("a hidden channel's strip is gone, and comes back", async () => {
    const { page } = await openPage(suite.browser, pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "hide").page);
    const knock = page.locator('.strip[data-channel="1"]');
    const heightBefore = (await page.locator('.strip[data-channel="0"]').boundingBox()).height;
    assert.equal(await knock.isVisible(), true);
    await page.getByRole("checkbox", { name: "Knock" }).uncheck();
    assert.equal(await knock.isVisible(), false);
    const shown = (await page.evaluate(() => quilletPage.stripScales())).map((scale) => scale.heading);
    assert.equal(shown.length, 11);
    assert.ok(!shown.includes("Knock"));
    assert.ok((await page.locator('.strip[data-channel="0"]').boundingBox()).height >= heightBefore);
    await page.getByRole("checkbox", { name: "Knock" }).check();
    assert.equal(await knock.isVisible(), true);
    assert.equal((await page.evaluate(() => quilletPage.stripScales())).length, 12);
    await page.close();
  });
});

describe("the summary", () => {
  test("says what --summary says, and warns of the clock as it does", async () => {
    const log = scratch.file("UnsteadyClockQMRX.pdb");
    const { page: file } = pageAndCsv(log, "summary");
    const summary = convert("--summary", log);
    const { page } = await openPage(suite.browser, file);
    assert.equal(await page.title(), "UnsteadyClockQMRX.pdb");
    const items = await page.evaluate(() => Object.fromEntries([...document.querySelectorAll(".summary div")]
      .map((item) => [item.querySelector("dt").textContent, item.querySelector("dd").textContent])));
    const printed = Object.fromEntries(summary.stdout.split("\n").slice(1, 5)
      .map((line) => [line.slice(2, 16).trim(), line.slice(16)]));
    assert.deepEqual(items, {
      Records: printed.records, Samples: printed.samples,
      Time: printed.time, "Median rate": printed["median rate"],
    });
    const rows = await page.evaluate(() => [...document.querySelectorAll(".ranges tbody tr")]
      .map((row) => [...row.children].map((cell) => cell.textContent)));
    const printedRows = summary.stdout.split("\n").slice(6, 6 + rows.length)
      .map((line) => line.trim().split(/ {2,}/));
    assert.deepEqual(rows, printedRows);
    // More than three warnings fold into one line that opens to list them.
    const printedWarnings = summary.stderr.trim().split("\n").map((line) => line.split(": warning: ")[1]);
    assert.equal(printedWarnings.length, 4);
    assert.equal(await page.locator("details.warning summary").textContent(),
      "Warning: the time goes back or jumps ahead at 4 records");
    assert.deepEqual(await page.locator(".warning li").allTextContents(), printedWarnings);
    await page.close();
  });
});

describe("a damaged log", () => {
  test("shows the samples before the damage with a note, and fails as its conversion", async () => {
    const log = join(scratch.path, "seeds", "damaged-RecordEndsInsideASample.pdb");
    const { page: file, csv, run } = pageAndCsv(log, "damaged");
    const conversion = convert(log, scratch.file("alone.csv"));
    assert.equal(run.status, 1);
    assert.equal(run.stderr, conversion.stderr);
    const rows = csvRows(csv);
    const { page, errors } = await openPage(suite.browser, file);
    const note = await page.locator(".stop").textContent();
    assert.match(note, /^Reading stopped at record \d+ of \d+: error # 62, Input past end of file\./);
    await page.focus("#strips");
    await page.keyboard.press("End");
    const last = await readOut(page);
    assert.equal(last.sample, rows.length);
    expectRow(last, rows);
    assert.deepEqual(errors, []);
    await page.close();
  });
});

describe("the page on its own", () => {
  test("makes no request beyond its own file and loads nothing else", async () => {
    const { page: file } = pageAndCsv(scratch.file("UnsteadyClockQMRX.pdb"), "offline");
    const { page, requests, errors } = await openPage(suite.browser, file);
    await page.mouse.move(400, 400);
    await page.keyboard.press("ArrowRight");
    assert.deepEqual(requests, [pathToFileURL(file).href]);
    assert.deepEqual(errors, []);
    const external = await page.evaluate(() => [...document.querySelectorAll("[src], link[href], img, iframe")]
      .map((element) => element.outerHTML));
    assert.deepEqual(external, []);
    await page.close();
  });

  // One log's page, and the page of two runs compared with the difference of their tables.
  const layoutPage = (runs) => {
    if (runs === 1) return [pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "layout").page, ""];
    const file = scratch.file("layout-runs.html");
    assert.equal(convert("--compare", "--html", file, join(SAMPLES, "BeforeQMRX.pdb"), join(SAMPLES, "AfterQMRX.pdb")).status, 0);
    return [file, "&run=1-0&align=%5BTPS%5D+%3E%3D+90"];
  };
  for (const [viewport, runs] of [[{ width: 1280, height: 800 }, 1], [{ width: 1920, height: 1080 }, 1], [{ width: 1280, height: 800 }, 2]]) {
    for (const view of ["strips", "table", "scatter"]) {
      test(`at ${viewport.width}x${viewport.height} in the ${view} view of ${runs} run${runs > 1 ? "s" : ""} no label overlaps another and nothing is cut off`, async () => {
        const [file, settings] = layoutPage(runs);
        const page = await suite.browser.context.newPage();
        await page.setViewportSize(viewport);
        await page.goto(`${pathToFileURL(file).href}#view=${view}${settings}`);
        await page.waitForFunction(() => document.documentElement.dataset.ready === "true");
        const layout = await page.evaluate(() => {
          const boxes = [...document.querySelectorAll("h1, .summary div, button, .cursor-line, .channels label, " +
            ".heading, output.value, .axis-caption, .keys, .filter label, .filter input, .status, .view-controls .control, " +
            ".view-controls .field, .view-caption, .legend, .map, .scatter-plot, .run-name, .run-offset, .run-entry label, .run-only, " +
            ".align label, .align input, .run-value, .run-key")].map((element) => ({
            name: `${element.className || element.tagName} ${element.textContent.slice(0, 20)}`,
            box: element.getBoundingClientRect(),
            clipped: element.scrollWidth > element.clientWidth + 1 && getComputedStyle(element).display !== "inline",
          }));
          return { boxes, keysBottom: document.getElementById("keys").getBoundingClientRect().bottom,
            pageWidth: document.documentElement.scrollWidth };
        });
        assert.ok(layout.pageWidth <= viewport.width, `the page is ${layout.pageWidth} px wide`);
        if (view === "strips") assert.ok(layout.keysBottom <= viewport.height, `the strips and keys end at ${layout.keysBottom} px`);
        const overlap = (a, b) => a.left < b.right - 0.5 && b.left < a.right - 0.5 && a.top < b.bottom - 0.5 && b.top < a.bottom - 0.5;
        const contains = (a, b) => a.left <= b.left && a.right >= b.right && a.top <= b.top && a.bottom >= b.bottom;
        for (let i = 0; i < layout.boxes.length; i++) {
          assert.ok(!layout.boxes[i].clipped, `${layout.boxes[i].name} is cut off`);
          assert.ok(layout.boxes[i].box.right <= viewport.width, `${layout.boxes[i].name} goes past the right edge`);
          for (let j = i + 1; j < layout.boxes.length; j++) {
            const [a, b] = [layout.boxes[i].box, layout.boxes[j].box];
            assert.ok(!overlap(a, b) || contains(a, b) || contains(b, a), `${layout.boxes[i].name} overlaps ${layout.boxes[j].name}`);
          }
        }
        await page.screenshot({ path: scratch.file(`layout-${viewport.width}-${view}.png`) });
        await page.close();
      });
    }
  }

  test("every strip labels two values at least, and the time axis's labels stay on its canvas", async () => {
    const { page } = await openPage(suite.browser, pageAndCsv(scratch.file("UnsteadyClockQMRX.pdb"), "labels").page);
    const whole = await page.evaluate(() => quilletPage.whole());
    for (const [start, span] of [[whole.start, whole.end - whole.start], [123, 37], [whole.end - 61, 61], [whole.end - 9, 9]]) {
      await page.evaluate(([from, to]) => quilletPage.timeView(from, to), [start, start + span]);
      for (const { heading, labels } of await page.evaluate(() => quilletPage.valueLabels())) {
        assert.ok(labels.filter((label) => label !== "").length >= 2, `${heading} shows ${labels} over ${span}`);
      }
      const { labels, width } = await page.evaluate(() => quilletPage.timeLabels());
      assert.ok(labels.length >= 2, `${labels.length} time labels over ${span}`);
      for (const label of labels) assert.ok(label.left >= 0 && label.right <= width, `${label.text} at ${label.left} to ${label.right} of ${width}`);
    }
    await page.close();
  });
});
