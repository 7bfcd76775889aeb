// The page's table, filter, computed channels and scatter, used in Chromium as a tuner would: the
// controls by their labels, the keyboard, the clipboard, downloads and reloads. Every table is
// compared with one that a plain loop over the rows of the CSV quillet-convert writes gives.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";
import { pathToFileURL } from "node:url";

import {
  browserSuite, cellTime, convert, csvHeadings, csvRows, openPage, readOut, setting, writePageAndCsv,
} from "./browser.mjs";
import { nearestCentre, plainCellText, unitsAsText, unitsOfText } from "./model_data.mjs";

const SAMPLES = setting("QUILLET_SAMPLES");
const suite = browserSuite([["clock", "UnsteadyClockQMRX.pdb"]]);
const { scratch } = suite;

// The page and the CSV of a log, written in one run, and the CSV read back.
function pageAndCsv(log, name, ...options) {
  const { page, csv, run } = writePageAndCsv(scratch, log, name, ...options);
  assert.equal(run.status, 0, run.stderr);
  const separator = options.includes("--separator") ? options[options.indexOf("--separator") + 1] : ",";
  const mark = options.includes("--decimal") ? options[options.indexOf("--decimal") + 1] : ".";
  return { page, csv: { rows: csvRows(csv, separator), headings: csvHeadings(csv, separator), mark, separator } };
}

const thirdGear = () => pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "third-gear");

// A channel of the CSV: its cells' texts and its decimals, the most any of its cells writes.
function csvChannel(csv, heading) {
  const column = csv.headings.indexOf(heading);
  assert.ok(column > 0, `the CSV has ${heading}`);
  const text = (row) => row[column];
  return { text, decimals: Math.max(0, ...csv.rows.map((row) => (text(row).split(csv.mark)[1] ?? "").length)) };
}

// Every sample's value of every channel, as numbers, an empty cell 0.
function csvValues(csv) {
  return csv.rows.map((row) => Object.fromEntries(csv.headings.slice(1).map((heading, i) =>
    [heading, Number(row[i + 1].trim().replace(csv.mark, ".") || "0")])));
}

// The table a plain loop over the CSV's rows gives: samples whose time is within start..end
// and that keep(values, values one sample earlier or undefined, row number, every row's values)
// keeps, counted in the cells of the nearest centres. Cells are texts of centres as typed;
// channels are CSV headings or the computed ones given.
function csvTable(csv, { x, y, values, statistic, minimum = 1, xCells, yCells, keep = () => true, start = -Infinity, end = Infinity, computed = {} }) {
  const channelOf = (heading) => computed[heading] ?? csvChannel(csv, heading);
  const [xChannel, yChannel, valueChannel] = [channelOf(x), channelOf(y), channelOf(values)];
  const centresOf = (text) => text.trim().split(/\s+/);
  const cellDecimals = (centres) => Math.max(0, ...centres.map((centre) => (centre.split(csv.mark)[1] ?? "").length));
  const axis = (cellsText, channel) => {
    const centres = centresOf(cellsText);
    const decimals = Math.max(cellDecimals(centres), channel.decimals);
    const units = centres.map((centre) => unitsOfText(centre, decimals, csv.mark));
    return {
      headers: centres.map((centre) => unitsAsText(unitsOfText(centre, cellDecimals(centres), csv.mark), cellDecimals(centres), csv.mark)),
      cellOf: (row) => nearestCentre(unitsOfText(channel.text(row), decimals, csv.mark), units),
    };
  };
  const [across, down] = [axis(xCells, xChannel), axis(yCells, yChannel)];
  const numbers = csvValues(csv);
  const cells = new Map();
  csv.rows.forEach((row, k) => {
    const time = cellTime(row[0]);
    if (time < start || time > end || !keep(numbers[k], numbers[k - 1], k, numbers)) return;
    const at = `${down.cellOf(row)},${across.cellOf(row)}`;
    if (!cells.has(at)) cells.set(at, []);
    cells.get(at).push(unitsOfText(valueChannel.text(row), valueChannel.decimals, csv.mark));
  });
  const label = (heading) => (computed[heading] ? `${heading} (computed)` : heading);
  return [[`${label(y)} \u2193 ${label(x)} \u2192`, ...across.headers], ...down.headers.map((header, r) =>
    [header, ...across.headers.map((_, c) => plainCellText(cells.get(`${r},${c}`) ?? [], statistic, valueChannel.decimals, minimum, csv.mark))])];
}

// Every sample's value of every channel as an exact fraction [numerator, denominator] of BigInts.
function csvFractions(csv) {
  return csv.rows.map((row) => Object.fromEntries(csv.headings.slice(1).map((heading, i) => {
    const decimals = csvChannel(csv, heading).decimals;
    return [heading, [unitsOfText(row[i + 1] || "0", decimals, csv.mark), 10n ** BigInt(decimals)]];
  })));
}

const times = ([a, b], [c, d]) => [a * c, b * d];
const over = ([a, b], [c, d]) => (c < 0n ? [-a * d, -b * c] : [a * d, b * c]);
const larger = (x, y) => (x[0] * y[1] >= y[0] * x[1] ? x : y);
const whole = (number) => [BigInt(number), 1n];

// A computed channel's cells as exact decimal arithmetic on the CSV's cells writes them: the
// formula's fraction rounded half to even.
function csvComputed(csv, formula, decimals) {
  const texts = new Map(csv.rows.map((row, k) => {
    const [numerator, denominator] = formula(csvFractions(csv)[k]);
    const scaled = numerator * 10n ** BigInt(decimals);
    let units = scaled / denominator;
    const twice = 2n * (scaled - units * denominator);
    if (twice > denominator || (twice === denominator && units % 2n !== 0n)) units += 1n;
    return [row, unitsAsText(units, decimals, csv.mark)];
  }));
  return { text: (row) => texts.get(row), decimals };
}

// The table the page shows, as the texts of its rows' cells.
function shownTable(page) {
  return page.locator("#map").evaluate((table) => [...table.rows].map((row) => [...row.cells].map((cell) => cell.textContent)));
}

// Sets the table's controls as a user does: choices picked, boxes typed and Enter pressed.
async function setTable(page, settings) {
  if (await page.getByRole("tab", { name: "Table" }).getAttribute("aria-selected") !== "true") {
    await page.getByRole("tab", { name: "Table" }).click();
  }
  for (const [label, key] of [["X axis", "x"], ["Y axis", "y"], ["Values", "values"], ["Statistic", "statistic"]]) {
    if (settings[key] !== undefined) await page.getByLabel(label, { exact: true }).selectOption(settings[key]);
  }
  for (const [label, key] of [["X cells", "xCells"], ["Y cells", "yCells"], ["Minimum samples", "minimum"], ["Filter", "filter"]]) {
    if (settings[key] === undefined) continue;
    const box = page.getByLabel(label, { exact: true });
    await box.fill(String(settings[key]));
    await box.press("Enter");
  }
}

async function addChannel(page, name, expression, decimals) {
  await page.getByRole("button", { name: "Add channel" }).click();
  await page.getByLabel("Name", { exact: true }).fill(name);
  await page.getByLabel("Expression", { exact: true }).fill(expression);
  await page.getByLabel("Decimals", { exact: true }).fill(String(decimals));
  await page.getByRole("button", { name: "Add", exact: true }).click();
}

describe("the table", () => {
  test("for given axes, cells, statistic, minimum and filter is the one the CSV's rows give", async () => {
    const { page: file, csv } = thirdGear();
    const { page, errors } = await openPage(suite.browser, file);
    await page.getByRole("tab", { name: "Table" }).click();
    // The defaults: RPM across, Airflow down, the mean of O2, cells over the log's ranges.
    const defaults = { x: "RPM", y: "Airflow", values: "O2", statistic: "mean" };
    const xCells = await page.getByLabel("X cells", { exact: true }).inputValue();
    const yCells = await page.getByLabel("Y cells", { exact: true }).inputValue();
    assert.ok(xCells.split(" ").length <= 16 && yCells.split(" ").length <= 12, `${xCells} / ${yCells}`);
    assert.deepEqual(await shownTable(page), csvTable(csv, { ...defaults, xCells, yCells }));

    const cases = [
      [{ x: "RPM", y: "TPS", values: "Knock", statistic: "largest", xCells: "1000 1100 1200 1300", yCells: "60 62 64", minimum: 2, filter: "[Barometer] >= 0.96" },
        (row) => row.Barometer >= 0.96],
      [{ x: "Inj P/W", y: "Timing", values: "Battery", statistic: "smallest", xCells: "32 33.5 35", yCells: "50 60 70", minimum: 1, filter: "[RPM] <= [RPM-1]" },
        (row, before) => before !== undefined && row.RPM <= before.RPM],
      [{ x: "Airflow", y: "Barometer", values: "Inj P/W", statistic: "mean", xCells: "600 625 650 675.5", yCells: ".95 .96 .97", minimum: 3, filter: "not ([Knock] > 57 or [ISC] = 212)" },
        (row) => !(row.Knock > 57 || row.ISC === 212)],
      [{ x: "RPM", y: "Airflow", values: "O2", statistic: "samples", xCells: "100 1000", yCells: "640", minimum: 1, filter: "" },
        () => true],
    ];
    for (const [settings, keep] of cases) {
      await setTable(page, settings);
      assert.deepEqual(await shownTable(page), csvTable(csv, { ...settings, keep }), JSON.stringify(settings));
    }

    // Zoomed, the table covers the strips' view and says so.
    await setTable(page, cases[0][0]);
    const area = await page.locator('.strip[data-channel="0"] .u-over').boundingBox();
    await page.mouse.move(area.x + area.width * 0.2, area.y + 10);
    await page.mouse.down();
    await page.mouse.move(area.x + area.width * 0.55, area.y + 10, { steps: 5 });
    await page.mouse.up();
    const view = await page.evaluate(() => quilletPage.view());
    const zoomed = { ...cases[0][0], start: view.start, end: view.end, keep: cases[0][1] };
    assert.deepEqual(await shownTable(page), csvTable(csv, zoomed));
    const inView = csv.rows.filter((row) => cellTime(row[0]) >= view.start && cellTime(row[0]) <= view.end);
    const kept = csvValues(csv).filter((values, k) => cellTime(csv.rows[k][0]) >= view.start && cellTime(csv.rows[k][0]) <= view.end && values.Barometer >= 0.96);
    assert.match(await page.locator("#table-caption").textContent(),
      new RegExp(`From ${inView[0][0]} to ${inView.at(-1)[0]}, as the strips are zoomed: ${inView.length} samples, ${kept.length} of them kept by the filter\\. ` +
        "Cells with fewer than 2 samples are empty\\.$"));
    assert.deepEqual(errors, []);
    await page.close();
  });

  test("of a log whose clock goes back counts its samples in the CSV's order", async () => {
    const { page: file, csv } = pageAndCsv(scratch.file("UnsteadyClockQMRX.pdb"), "clock");
    const { page } = await openPage(suite.browser, file);
    const settings = { x: "RPM", y: "Air Temp", values: "O2", statistic: "mean", xCells: "1000 3000 5000", yCells: "-20 0", filter: "[Knock] > [Knock-2]" };
    await setTable(page, settings);
    assert.deepEqual(await shownTable(page),
      csvTable(csv, { ...settings, keep: (row, before, k, all) => k >= 2 && row.Knock > all[k - 2].Knock }));
    await page.close();
  });

  test("a mistyped filter or cells show what is wrong, and the table keeps the last valid ones", async () => {
    const { page: file } = thirdGear();
    const { page, errors } = await openPage(suite.browser, file);
    const dialogs = [];
    page.on("dialog", (dialog) => {
      dialogs.push(dialog.message());
      dialog.dismiss();
    });
    await setTable(page, { filter: "[TPS] >= 62", xCells: "900 1100 1300" });
    const valid = await shownTable(page);
    const mistakes = [
      ["Filter", "[TPS] >= ", /^At character 10: expected a number, a channel in square brackets, a function or "\(", not the end\. The views keep the filter \[TPS\] >= 62\.$/],
      ["Filter", "[Coolant] > 80", /^At character 1: no channel is headed "Coolant"\./],
      ["Filter", "constructor.constructor(\"alert(1)\")()", /^At character 1: "constructor" is not a function/],
      ["Filter", "[TPS] > 0,5", /numbers are written with a decimal point/],
      ["X cells", "900 800", /^800 comes after 900: give the centres from the smallest to the largest, each once\. The table keeps 900 1100 1300\.$/],
      ["Y cells", "500 x", /^"x" is not a number\./],
      ["Minimum samples", "0", /^Give a whole number from 1 to 10000000\. The table keeps 1\.$/],
      ["Minimum samples", "100000000000000000000000", /^Give a whole number from 1 to 10000000\. The table keeps 1\.$/],
    ];
    for (const [label, text, message] of mistakes) {
      const box = page.getByLabel(label, { exact: true });
      await box.fill(text);
      await box.press("Enter");
      const error = page.locator(`#${await box.getAttribute("id")}-error`);
      assert.match(await error.textContent(), message, text);
      assert.equal(await error.isVisible(), true);
      assert.deepEqual(await shownTable(page), valid, text);
      assert.match(decodeURIComponent(new URL(page.url()).hash), /filter=\[TPS\]\+>=\+62/);
    }
    assert.deepEqual(dialogs, []);
    assert.deepEqual(errors, []);
    await page.close();
  });

  test("a cell chosen by the keyboard marks its samples and the cursor steps through them", async () => {
    const { page: file, csv } = thirdGear();
    const { page } = await openPage(suite.browser, file);
    await setTable(page, { x: "RPM", y: "Airflow", xCells: "900 1100 1300", yCells: "600 650 700" });
    await page.getByLabel("Y cells", { exact: true }).focus();
    for (let tab = 0; tab < 10 && !(await page.evaluate(() => document.activeElement.matches("#map td"))); tab++) {
      await page.keyboard.press("Tab");
    }
    await page.keyboard.press("ArrowDown");
    await page.keyboard.press("ArrowRight");
    await page.keyboard.press("Enter");
    const numbers = csvValues(csv);
    const cellOf = (value, centres) => nearestCentre(BigInt(value), centres.map(BigInt));
    const inCell = numbers.map((values, k) => k + 1)
      .filter((sample) => cellOf(numbers[sample - 1].RPM, [900, 1100, 1300]) === 1 && cellOf(numbers[sample - 1].Airflow, [600, 650, 700]) === 1);
    assert.ok(inCell.length >= 2, `${inCell.length} samples in the cell`);
    assert.equal(await page.evaluate(() => quilletPage.marked()), inCell.length);
    for (const sample of inCell) {
      assert.equal((await readOut(page)).sample, sample);
      assert.match(await page.locator("#table-status").textContent(), new RegExp(`: ${inCell.length} samples; the cursor is at ${inCell.indexOf(sample) + 1} of ${inCell.length}\\.$`));
      await page.keyboard.press("n");
    }
    assert.equal((await readOut(page)).sample, inCell.at(-1));
    await page.keyboard.press("Shift+N");
    assert.equal((await readOut(page)).sample, inCell.at(-2));
    await page.locator("#map td").first().click();
    assert.notEqual(await page.evaluate(() => quilletPage.marked()), inCell.length);
    await page.close();
  });

  test("is copied as tab-separated lines and saved as the CSV's kind of file", async () => {
    const { page: file, csv } = pageAndCsv(join(SAMPLES, "ThirdGearQMRX.pdb"), "comma", "--separator", ";", "--decimal", ",");
    const { page } = await openPage(suite.browser, file);
    await suite.browser.context.grantPermissions(["clipboard-read", "clipboard-write"]);
    const settings = { x: "RPM", y: "Barometer", values: "O2", statistic: "mean", xCells: "1000 1200", yCells: "0,95 0,97", minimum: 1 };
    await setTable(page, settings);
    const expected = csvTable(csv, settings).map((line, i) => (i === 0 ? ["", ...line.slice(1)] : line));
    await page.getByRole("button", { name: "Copy table" }).click();
    // The clipboard answers in its own time.
    await page.locator("#table-status", { hasText: /^The table is on the clipboard\.$/ }).waitFor({ timeout: 5000 });
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), expected.map((line) => `${line.join("\t")}\r\n`).join(""));

    const [download] = await Promise.all([page.waitForEvent("download"), page.getByRole("button", { name: "Save table as CSV" }).click()]);
    assert.equal(download.suggestedFilename(), "ThirdGearQMRX O2 mean.csv");
    const saved = readFileSync(await download.path(), "latin1");
    assert.equal(saved, expected.map((line) => `${line.join(";")}\r\n`).join(""));
    assert.match(saved, /;1,\d\d\d\r\n/);
    await page.close();
  });
});

describe("computed channels", () => {
  test("read out the formula of the CSV's cells, and take their place in the choices and the filter", async () => {
    const { page: file, csv } = thirdGear();
    const { page, errors } = await openPage(suite.browser, file);
    await addChannel(page, "Duty", "[Inj P/W] * [RPM] / 1200", 2);
    const duty = csvComputed(csv, (row) => over(times(row["Inj P/W"], row.RPM), whole(1200)), 2);
    const strip = page.locator(".strip").filter({ has: page.locator(".heading", { hasText: /^Duty \(computed\)$/ }) });
    assert.equal(await strip.locator(".u-over").count(), 1, "Duty has a strip with a chart");
    assert.equal(await page.getByRole("checkbox", { name: "Duty" }).isChecked(), true);
    await page.focus("#strips");
    await page.keyboard.press("Home");
    for (let k = 0; k < csv.rows.length; k++) {
      const reading = await readOut(page);
      assert.equal(reading.sample, k + 1);
      assert.equal(reading.values.at(-1), duty.text(csv.rows[k]), `sample ${k + 1}`);
      await page.keyboard.press("ArrowRight");
    }
    for (const label of ["X axis", "Y axis", "Values"]) {
      assert.ok((await page.getByLabel(label, { exact: true }).locator("option").allTextContents()).includes("Duty (computed)"), label);
    }
    const settings = { x: "RPM", y: "Duty", values: "Duty", statistic: "mean", xCells: "1000 1200", yCells: "25 30 35", filter: "[Duty] > 26.5" };
    await setTable(page, settings);
    assert.deepEqual(await shownTable(page), csvTable(csv, { ...settings, computed: { Duty: duty },
      keep: (row, before, k) => Number(duty.text(csv.rows[k])) > 26.5 }));

    const wrong = [["Duty", "[RPM]", /^There is a channel headed Duty already\.$/], ["Lag", "[RPM] - [RPM-1", /^At character 9: the "\[" has no "\]"/],
      ["RPM-1", "[RPM]", /^Give the channel a name without square brackets/], ["Rate", "[Duty] / 0", null]];
    for (const [name, expression, message] of wrong) {
      await page.getByLabel("Name", { exact: true }).fill(name);
      await page.getByLabel("Expression", { exact: true }).fill(expression);
      await page.getByRole("button", { name: "Add", exact: true }).click();
      if (message) assert.match(await page.locator("#channel-error").textContent(), message);
    }
    // A channel divided by zero has no value anywhere: its cells are empty.
    assert.equal((await readOut(page)).values.at(-1), "");
    await page.getByRole("button", { name: "Remove Duty" }).click();
    assert.match(await page.locator("#channel-error").textContent(), /^Rate reads Duty: change it first\.$/);
    await page.getByRole("button", { name: "Remove Rate" }).click();
    assert.equal(await page.getByRole("checkbox", { name: "Rate" }).count(), 0);
    assert.deepEqual(errors, []);
    await page.close();
  });
});

describe("the settings", () => {
  test("survive a reload, and a page opened afresh starts from the defaults", async () => {
    const { page: file, csv } = thirdGear();
    const { page, requests } = await openPage(suite.browser, file);
    await addChannel(page, "Load per rev", "[Airflow] / max([RPM], 1) * 1000", 1);
    const settings = { x: "Load per rev", y: "TPS", values: "Knock", statistic: "smallest", xCells: "400 500 600 700", yCells: "60 63", minimum: 2, filter: "[O2] < 1.5 or [Knock-1] > 56" };
    await setTable(page, settings);
    const before = await shownTable(page);
    const computed = { "Load per rev": csvComputed(csv, (row) => times(over(row.Airflow, larger(row.RPM, whole(1))), whole(1000)), 1) };
    assert.deepEqual(before, csvTable(csv, { ...settings, computed, keep: (row, earlier) => row.O2 < 1.5 || (earlier !== undefined && earlier.Knock > 56) }));
    await page.reload();
    await page.waitForFunction(() => document.documentElement.dataset.ready === "true");
    assert.deepEqual(await shownTable(page), before);
    assert.equal(await page.getByLabel("Filter", { exact: true }).inputValue(), settings.filter);
    assert.equal(await page.getByLabel("Minimum samples", { exact: true }).inputValue(), "2");
    assert.equal(await page.getByRole("tab", { name: "Table" }).getAttribute("aria-selected"), "true");
    assert.equal(await page.getByRole("checkbox", { name: "Load per rev" }).count(), 1);

    await page.goto(pathToFileURL(file).href);
    await page.reload();
    await page.waitForFunction(() => document.documentElement.dataset.ready === "true");
    assert.equal(await page.getByRole("tab", { name: "Strips" }).getAttribute("aria-selected"), "true");
    assert.equal(await page.getByLabel("Filter", { exact: true }).inputValue(), "");
    assert.equal(await page.getByRole("checkbox", { name: "Load per rev" }).count(), 0);
    assert.deepEqual([...new Set(requests)], [pathToFileURL(file).href]);
    await page.close();
  });
});

describe("the scatter", () => {
  test("draws every kept sample where its values put it, and the cursor's sample with a ring", async () => {
    const { page: file, csv } = thirdGear();
    const { page, errors } = await openPage(suite.browser, file);
    await page.getByRole("tab", { name: "Scatter" }).click();
    await page.getByLabel("Across", { exact: true }).selectOption("RPM");
    await page.getByLabel("Up", { exact: true }).selectOption("Knock");
    await page.getByLabel("Filter", { exact: true }).fill("[TPS] >= 63");
    await page.getByLabel("Filter", { exact: true }).press("Enter");
    const numbers = csvValues(csv);
    // Where each sample stands in the plot, in CSS pixels, and whether a dot is drawn there.
    const dots = await page.evaluate((samples) => {
      const { x, y } = quilletPage.scatterScales();
      const canvas = document.querySelector("#scatter-plot canvas");
      const overBox = document.querySelector("#scatter-plot .u-over").getBoundingClientRect();
      const canvasBox = canvas.getBoundingClientRect();
      const ratio = canvas.width / canvasBox.width;
      const context = canvas.getContext("2d");
      return samples.map(({ across, up }) => {
        const left = overBox.left - canvasBox.left + ((across - x.min) / (x.max - x.min)) * overBox.width;
        const top = overBox.top - canvasBox.top + ((y.max - up) / (y.max - y.min)) * overBox.height;
        const [r, g, b, a] = context.getImageData(Math.floor(left * ratio), Math.floor(top * ratio), 1, 1).data;
        // A dot is coloured; the grid's lines are grey.
        return { left, top, drawn: a > 0 && Math.max(r, g, b) - Math.min(r, g, b) > 40 };
      });
    }, numbers.map((row) => ({ across: row.RPM, up: row.Knock })));
    const kept = numbers.map((row) => row.TPS >= 63);
    numbers.forEach((row, k) => {
      const alone = dots.every((other, j) => !kept[j] || Math.hypot(other.left - dots[k].left, other.top - dots[k].top) > 6);
      if (kept[k] || alone) assert.equal(dots[k].drawn, kept[k], `sample ${k + 1}: RPM ${row.RPM}, Knock ${row.Knock}`);
    });
    assert.ok(kept.filter(Boolean).length > 5 && kept.some((keep, k) => !keep && dots.every((other, j) => !kept[j] ||
      Math.hypot(other.left - dots[k].left, other.top - dots[k].top) > 6)), "some samples are left out far from those kept");

    await page.focus("#strips");
    await page.keyboard.press("End");
    const ring = await page.locator(".scatter-cursor").boundingBox();
    const over = await page.locator("#scatter-plot .u-over").boundingBox();
    const { x, y } = await page.evaluate(() => quilletPage.scatterScales());
    const last = numbers.at(-1);
    assert.ok(Math.abs(ring.x + ring.width / 2 - (over.x + ((last.RPM - x.min) / (x.max - x.min)) * over.width)) < 1.5);
    assert.ok(Math.abs(ring.y + ring.height / 2 - (over.y + ((y.max - last.Knock) / (y.max - y.min)) * over.height)) < 1.5);

    await page.locator("#scatter-plot").scrollIntoViewIfNeeded();
    const plot = await page.locator("#scatter-plot .u-over").boundingBox();
    await page.mouse.move(plot.x + plot.width * 0.25, plot.y + plot.height * 0.25);
    await page.mouse.down();
    await page.mouse.move(plot.x + plot.width * 0.75, plot.y + plot.height * 0.75, { steps: 5 });
    await page.mouse.up();
    const zoomed = await page.evaluate(() => quilletPage.scatterScales());
    assert.ok(Math.abs(zoomed.x.min - (x.min + (x.max - x.min) * 0.25)) < (x.max - x.min) / 100, JSON.stringify(zoomed));
    assert.ok(Math.abs(zoomed.y.max - (y.max - (y.max - y.min) * 0.25)) < (y.max - y.min) / 100, JSON.stringify(zoomed));
    await page.mouse.dblclick(plot.x + plot.width / 2, plot.y + plot.height / 2);
    assert.deepEqual(await page.evaluate(() => quilletPage.scatterScales()), { x, y });
    assert.deepEqual(errors, []);
    await page.close();
  });
});

describe("the page's safety", () => {
  test("its Content-Security-Policy runs its own scripts alone, and refuses eval and every request", async () => {
    const { page: file } = thirdGear();
    const { page, requests, errors } = await openPage(suite.browser, file);
    const policy = await page.locator('meta[http-equiv="Content-Security-Policy"]').getAttribute("content");
    assert.match(policy, /^default-src 'none'; script-src 'sha256-[A-Za-z0-9+/]{43}=' 'sha256-[A-Za-z0-9+/]{43}='; style-src /);
    assert.doesNotMatch(policy, /unsafe|\*|http|data:|blob:/);
    const outcome = await page.evaluate(async () => {
      const refused = [];
      document.addEventListener("securitypolicyviolation", (event) => refused.push(`${event.effectiveDirective} ${event.blockedURI}`));
      const script = document.createElement("script");
      script.textContent = "window.injected = true; eval('1 + 1'); new Function('return 1')();";
      document.body.append(script);
      setTimeout("window.timed = true", 0);
      let fetched = "no";
      try {
        await fetch("https://example.com/data");
        fetched = "yes";
      } catch (error) {
        fetched = error.name;
      }
      const image = new Image();
      image.src = "https://example.com/image.png";
      const style = document.createElement("style");
      style.textContent = "body { display: none; }";
      document.head.append(style);
      await new Promise((resolve) => setTimeout(resolve, 200));
      return { refused: refused.sort(), ran: [window.injected, window.timed], fetched, shown: getComputedStyle(document.body).display };
    });
    assert.deepEqual(outcome, {
      refused: ["connect-src https://example.com/data", "img-src https://example.com/image.png", "script-src eval", "script-src-elem inline", "style-src-elem inline"],
      ran: [undefined, undefined], fetched: "TypeError", shown: "block",
    });
    assert.deepEqual(errors, []);
    assert.equal(requests[0], pathToFileURL(file).href);
    await page.close();
  });
});
