// Runs compared in Chromium as a tuner compares them: two runs of one pull, the second opening the
// throttle 3.25 s later and richer from 3000 to 4000 RPM, on the page quillet-convert --compare
// writes and on one log's page with the other added; aligned, shifted, read at one cursor, their
// tables' difference, the scatter of both, and a setup carried to another log's page. Every control
// is found by its label.
import assert from "node:assert/strict";
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { describe, test } from "node:test";

import { browserSuite, cellTime, convert, csvHeadings, csvRows, openPage, setting } from "./browser.mjs";
import { nearestCentre, plainCellText, unitsAsText, unitsOfText } from "./model_data.mjs";

const SAMPLES = setting("QUILLET_SAMPLES");
const suite = browserSuite([]);
const { scratch } = suite;
const before = join(SAMPLES, "BeforeQMRX.pdb");
const after = join(SAMPLES, "AfterQMRX.pdb");

// The page of the logs compared, and each log's CSV read back as rows of cells by heading.
function comparePage(name, ...logs) {
  const page = scratch.file(`${name}.html`);
  const run = convert("--compare", "--html", page, ...logs);
  assert.equal(run.status, 0, run.stderr);
  return page;
}

function csvOf(log) {
  const file = scratch.file(`${log.replace(/.*\//, "")}.csv`);
  assert.equal(convert(log, file).status, 0);
  const headings = csvHeadings(file);
  return csvRows(file).map((row) => Object.fromEntries(headings.map((heading, i) => [heading, row[i]])));
}

// The mean O2 of each cell (RPM across, Airflow down) of a CSV's rows, by a plain loop.
function plainMeans(rows, xCells, yCells) {
  const cells = new Map();
  for (const row of rows) {
    const at = `${nearestCentre(BigInt(row.Airflow.trim() || 0), yCells.map(BigInt))},${nearestCentre(BigInt(row.RPM.trim() || 0), xCells.map(BigInt))}`;
    if (!cells.has(at)) cells.set(at, []);
    cells.get(at).push(unitsOfText(row.O2 || "0", 2));
  }
  return yCells.map((_, r) => xCells.map((_, c) => plainCellText(cells.get(`${r},${c}`) ?? [], "mean", 2, 1)));
}

function shownTable(page) {
  return page.locator("#map").evaluate((table) => [...table.rows].map((row) => [...row.cells].map((cell) => cell.textContent)));
}

async function type(page, label, text) {
  const box = page.getByLabel(label, { exact: true });
  await box.fill(text);
  await box.press("Enter");
}

// What the cursor reads: per strip, each run's value and the difference.
function runReadings(page) {
  return page.evaluate(() => ({
    samples: [...document.getElementById("cursor-sample").textContent.matchAll(/sample (\d+) of/g)].map((found) => Number(found[1])),
    values: [...document.querySelectorAll("output.value")].map((value) => [...value.querySelectorAll(".run-value")].map((part) => part.textContent)),
  }));
}

const X_CELLS = [900, 1500, 2000, 3000, 3500, 4000, 5000, 6000];
const Y_CELLS = [100, 300, 400, 600, 700, 800, 1000, 1200];

describe("two runs of one pull", () => {
  test("aligned where the throttle opens stand 3.25 s apart, and their tables differ where the second ran richer", async () => {
    const file = comparePage("pull", before, after);
    const [rowsBefore, rowsAfter] = [csvOf(before), csvOf(after)];
    const { page, errors, requests } = await openPage(suite.browser, file);
    assert.equal(await page.title(), "BeforeQMRX.pdb compared with AfterQMRX.pdb");
    assert.match(await page.locator("#runs-legend").textContent(), /only here, not compared: Coolant/);
    await type(page, "Align runs at", "[TPS] >= 90");
    assert.equal(await page.locator(".run-offset").textContent(), "+0:03.25");

    // At the page's 0:00 each run reads its sample where the throttle opened, and so on after it.
    const area = await page.locator('.strip[data-channel="0"] .u-over').boundingBox();
    const view = await page.evaluate(() => quilletPage.view());
    for (const seconds of [0, 2.5, 7]) {
      await page.mouse.move(area.x + ((seconds * 100 - view.start) / (view.end - view.start)) * area.width, area.y + 5);
      const reading = await runReadings(page);
      const [first, second] = [rowsBefore[reading.samples[0] - 1], rowsAfter[reading.samples[1] - 1]];
      assert.equal(cellTime(second.Time) - cellTime(first.Time), 325, `at ${seconds} s`);
      assert.deepEqual(reading.values.map((values) => values.slice(0, 2)),
        ["RPM", "TPS", "O2", "Airflow"].map((heading) => [first[heading].trim(), second[heading].trim()]), `at ${seconds} s`);
    }
    const o2 = (await runReadings(page)).values[2];
    const difference = Math.round((Number(o2[1]) - Number(o2[0])) * 100);
    assert.equal(o2[2], `\u0394 ${difference > 0 ? "+" : ""}${unitsAsText(BigInt(difference), 2)}`);

    await page.getByRole("tab", { name: "Table" }).click();
    await page.getByLabel("Run", { exact: true }).selectOption({ label: "AfterQMRX.pdb \u2212 BeforeQMRX.pdb" });
    await type(page, "X cells", X_CELLS.join(" "));
    await type(page, "Y cells", Y_CELLS.join(" "));
    const [meansBefore, meansAfter] = [plainMeans(rowsBefore, X_CELLS, Y_CELLS), plainMeans(rowsAfter, X_CELLS, Y_CELLS)];
    const expected = Y_CELLS.map((y, r) => [String(y), ...X_CELLS.map((x, c) => (meansBefore[r][c] === "" || meansAfter[r][c] === ""
      ? "" : unitsAsText(unitsOfText(meansAfter[r][c], 3) - unitsOfText(meansBefore[r][c], 3), 3)))]);
    const shown = await shownTable(page);
    assert.deepEqual(shown.slice(1), expected);
    const changed = expected.flatMap((line) => line.slice(1).map((text, c) => [text, X_CELLS[c]])).filter(([text]) => text !== "" && Number(text) !== 0);
    assert.ok(changed.length > 0 && changed.every(([text, rpm]) => Number(text) > 0 && rpm >= 3000 && rpm <= 4000), JSON.stringify(changed));
    assert.match(await page.locator("#table-caption").textContent(), /^The mean of O2 in each cell of AfterQMRX\.pdb minus that of BeforeQMRX\.pdb\. /);

    await suite.browser.context.grantPermissions(["clipboard-read", "clipboard-write"]);
    await page.getByRole("button", { name: "Copy table" }).click();
    await page.locator("#table-status", { hasText: /^The table is on the clipboard\.$/ }).waitFor({ timeout: 5000 });
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()),
      [["", ...X_CELLS.map(String)], ...expected].map((line) => `${line.join("\t")}\r\n`).join(""));

    // A cell of both runs marks the samples of each, and the cursor steps through them.
    await page.locator('#map td[data-row="3"][data-column="3"]').click();
    const inCell = (rows) => rows.filter((row) => nearestCentre(BigInt(row.RPM.trim()), X_CELLS.map(BigInt)) === 3 &&
      nearestCentre(BigInt(row.Airflow.trim()), Y_CELLS.map(BigInt)) === 3).length;
    assert.equal(await page.evaluate(() => quilletPage.marked()), inCell(rowsBefore) + inCell(rowsAfter));
    assert.match(await page.locator("#table-status").textContent(),
      new RegExp(`: ${inCell(rowsAfter)} of AfterQMRX\\.pdb, ${inCell(rowsBefore)} of BeforeQMRX\\.pdb; the cursor is at 1 of`));

    await type(page, "Shift AfterQMRX.pdb by", "1");
    assert.equal(await page.locator(".run-offset").textContent(), "+0:02.25");
    await type(page, "Shift AfterQMRX.pdb by", "1,5");
    assert.match(await page.locator("#align-error").textContent(), /^Give the shift in seconds with at most three decimals/);
    assert.equal(await page.locator(".run-offset").textContent(), "+0:02.25");
    assert.deepEqual(errors, []);
    assert.deepEqual([...new Set(requests)], [`file://${file}`]);
    await page.close();
  });

  test("a run where the alignment never holds keeps its start, with a note", async () => {
    const { page } = await openPage(suite.browser, comparePage("never", before, after));
    await type(page, "Align runs at", "[O2] > 0.9");
    assert.equal(await page.locator("#align-status").textContent(), "[O2] > 0.9 never holds in BeforeQMRX.pdb, which keeps its start.");
    const runs = await page.evaluate(() => quilletPage.runs());
    // After first reads O2 above 0.9 4.4 s into its pull.
    assert.deepEqual(runs.map((run) => run.offset), [0, 1265]);
    await type(page, "Align runs at", "[Coolant] > 1");
    assert.match(await page.locator("#align-error").textContent(), /^At character 1: no channel is headed "Coolant"\. The runs keep the alignment \[O2\] > 0\.9\.$/);
    await page.close();
  });
});

describe("Add run…", () => {
  test("adds the runs of another page's file, and says why a file that is none adds nothing", async () => {
    const single = scratch.file("before.html");
    const other = scratch.file("after.html");
    assert.equal(convert("--html", single, before).status, 0);
    assert.equal(convert("--html", other, after).status, 0);
    const letter = scratch.file("letter.html");
    writeFileSync(letter, "<html><body>Dear tuner</body></html>");
    const { page, errors, requests } = await openPage(suite.browser, single);
    const addRun = async (file) => {
      const [chooser] = await Promise.all([page.waitForEvent("filechooser"), page.getByRole("button", { name: "Add run…" }).click()]);
      await chooser.setFiles(file);
    };
    await addRun(letter);
    await page.locator("#page-status", { hasText: "letter.html cannot be added: it is no log page of quillet-convert." }).waitFor();
    assert.equal(await page.locator("#runs").isVisible(), false);
    await addRun(other);
    await page.locator("#runs").waitFor();
    assert.equal(await page.title(), "BeforeQMRX.pdb compared with AfterQMRX.pdb");
    assert.deepEqual((await page.evaluate(() => quilletPage.runs())).map((run) => [run.name, run.count]),
      [["BeforeQMRX.pdb", 200], ["AfterQMRX.pdb", 232]]);
    assert.equal((await page.evaluate(() => quilletPage.stripScales())).length, 4);
    await type(page, "Align runs at", "[TPS] >= 90");
    assert.equal(await page.locator(".run-offset").textContent(), "+0:03.25");
    assert.equal(await page.locator(".summary").count(), 2);
    assert.deepEqual(errors, []);
    assert.deepEqual([...new Set(requests)], [`file://${single}`]);
    await page.screenshot({ path: scratch.file("added.png") });
    await page.close();
  });
});

describe("the scatter of two runs", () => {
  test("draws each run in its colour, or in its shape where a channel colours the dots", async () => {
    const { page, errors } = await openPage(suite.browser, comparePage("scatter", before, after));
    await page.getByRole("tab", { name: "Scatter" }).click();
    await page.getByLabel("Across", { exact: true }).selectOption("RPM");
    await page.getByLabel("Up", { exact: true }).selectOption("O2");
    await page.getByLabel("Colour", { exact: true }).selectOption("");
    const colours = () => page.evaluate(() => {
      const canvas = document.querySelector("#scatter-plot canvas");
      const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
      const found = new Set();
      for (let i = 0; i < data.length; i += 4) if (data[i + 3] === 255 && Math.max(data[i], data[i + 1], data[i + 2]) - Math.min(data[i], data[i + 1], data[i + 2]) > 60) found.add(`${data[i]},${data[i + 1]},${data[i + 2]}`);
      return [...found];
    });
    const plain = await colours();
    assert.ok(plain.includes("31,95,191") && plain.includes("214,96,0"), plain.join(" "));
    assert.deepEqual(await page.locator("#scatter-runs .run-key").allTextContents(), ["BeforeQMRX.pdb", "AfterQMRX.pdb"]);
    await page.getByLabel("Colour", { exact: true }).selectOption("Airflow");
    assert.ok(!(await colours()).includes("214,96,0"));
    assert.match(await page.locator("#scatter-caption").textContent(), /^O2 up, RPM across, coloured by Airflow\. The whole run of BeforeQMRX\.pdb: 200 samples; the whole run of AfterQMRX\.pdb: 232 samples\.$/);
    assert.deepEqual(errors, []);
    await page.close();
  });
});

describe("a setup", () => {
  test("saved from one page opens another log's page with the same table, also through --setup", async () => {
    const { page } = await openPage(suite.browser, comparePage("setup", before, after));
    await page.getByRole("button", { name: "Add channel" }).click();
    await page.getByLabel("Name", { exact: true }).fill("Load");
    await page.getByLabel("Expression", { exact: true }).fill("[Airflow] / [RPM] * 1000");
    await page.getByRole("button", { name: "Add", exact: true }).click();
    await page.getByRole("tab", { name: "Table" }).click();
    await page.getByLabel("Y axis", { exact: true }).selectOption("Load");
    await page.getByLabel("Statistic", { exact: true }).selectOption("largest");
    await type(page, "X cells", "2000 4000 6000");
    await type(page, "Y cells", "150 200 250");
    await type(page, "Minimum samples", "2");
    await type(page, "Filter", "[TPS] > 50");
    await type(page, "Align runs at", "[TPS] >= 90");
    const [download] = await Promise.all([page.waitForEvent("download"), page.getByRole("button", { name: "Save setup" }).click()]);
    assert.equal(download.suggestedFilename(), "BeforeQMRX setup.txt");
    const setup = scratch.file("Tuning setup.txt");
    writeFileSync(setup, readFileSync(await download.path()));
    assert.match(readFileSync(setup, "utf8"), /^Quillet page setup\n/);
    await page.getByLabel("Run", { exact: true }).selectOption("1");
    const table = (await shownTable(page)).slice(0, 4);
    await page.close();

    const afterAlone = scratch.file("after-alone.html");
    assert.equal(convert("--html", afterAlone, after).status, 0);
    const expectTable = async (opened) => {
      assert.equal(await opened.getByRole("tab", { name: "Table" }).getAttribute("aria-selected"), "true");
      assert.equal(await opened.getByLabel("Filter", { exact: true }).inputValue(), "[TPS] > 50");
      assert.equal(await opened.getByLabel("Y axis", { exact: true }).inputValue(), "Load");
      assert.deepEqual((await shownTable(opened)).slice(0, 4), table);
    };
    const loaded = await openPage(suite.browser, afterAlone);
    const [chooser] = await Promise.all([loaded.page.waitForEvent("filechooser"), loaded.page.getByRole("button", { name: "Load setup" }).click()]);
    await chooser.setFiles(setup);
    await loaded.page.locator("#page-status", { hasText: "The setup Tuning setup.txt is applied." }).waitFor();
    await expectTable(loaded.page);
    assert.deepEqual(loaded.errors, []);
    await loaded.page.close();

    const withSetup = scratch.file("after-setup.html");
    assert.equal(convert("--setup", setup, "--html", withSetup, after).status, 0);
    const opened = await openPage(suite.browser, withSetup);
    await expectTable(opened.page);
    assert.deepEqual(opened.errors, []);
    await opened.page.close();
  });
});

describe("a computed channel", () => {
  test("is edited in the form it was added with, and what reads it follows", async () => {
    const { page, errors } = await openPage(suite.browser, comparePage("edit", before, after));
    const add = async (name, expression, decimals = "1") => {
      await page.getByLabel("Name", { exact: true }).fill(name);
      await page.getByLabel("Expression", { exact: true }).fill(expression);
      await page.getByLabel("Decimals", { exact: true }).fill(decimals);
      await page.getByRole("button", { name: /^(Add|Change)$/ }).click();
    };
    await page.getByRole("button", { name: "Add channel" }).click();
    await add("Double", "[RPM] * 2", "0");
    await add("Quad", "[Double] * 2", "0");
    await page.getByRole("button", { name: "Edit Double" }).click();
    assert.equal(await page.getByLabel("Expression", { exact: true }).inputValue(), "[RPM] * 2");
    await add("Triple", "[RPM] * 3", "0");
    assert.equal(await page.locator("#channel-error").textContent(), "Quad reads Double: change it first.");
    await add("Double", "[RPM] * 3", "0");
    const values = (await runReadings(page)).values;
    assert.deepEqual(values.at(-2).slice(0, 2), ["2625", "2625"]);
    assert.deepEqual(values.at(-1).slice(0, 2), ["5250", "5250"]);
    assert.deepEqual(await page.locator(".strip .heading").allTextContents(),
      ["RPM", "TPS", "O2", "Airflow", "Double (computed)", "Quad (computed)"]);
    await page.getByRole("button", { name: "Edit Quad" }).click();
    await add("Quad", "[Quad] * 2", "0");
    assert.equal(await page.locator("#channel-error").textContent(), 'At character 1: no channel is headed "Quad"');
    assert.deepEqual(errors, []);
    await page.close();
  });
});
