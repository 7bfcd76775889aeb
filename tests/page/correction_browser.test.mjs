// The table of fuel corrections in Chromium, as a tuner reads it: a drive through twelve cells that
// want known corrections (make_logs correction), logged once with O2 in step with the engine and
// once with O2 0.3 s late, compared on one page. Every control is found by its label.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { browserSuite, convert, openPage } from "./browser.mjs";

const suite = browserSuite([["correction", "logs"]]);
const { scratch } = suite;
const [IN_STEP, LATE] = ["CorrectionQMRX.pdb", "CorrectionLateQMRX.pdb"];

// The corrections the logs' drive wants (tests/support's correctionLog), TPS 20, 50 and 80 down,
// RPM 2000 to 5000 across; the drive starts at the top left.
const WANTED = [["+9.0", "+5.0", "-2.0", "-7.0"], ["+4.0", "+1.0", "-3.0", "-6.5"], ["+10.5", "+4.5", "-4.0", "-12.5"]];

const shownTable = (page) => page.locator("#map").evaluate((table) => [...table.tBodies[0].rows].map((row) => [...row.cells].slice(1).map((cell) => cell.textContent)));

async function type(page, label, text) {
  const box = page.getByLabel(label, { exact: true });
  await box.fill(text);
  await box.press("Enter");
}

const chooseRun = (page, name) => page.getByLabel("Run", { exact: true }).selectOption({ label: name });

describe("the table of corrections", () => {
  test("shows the corrections the drive wants, with a lag that reads a late sensor where the engine was", async () => {
    const file = scratch.file("correction.html");
    const run = convert("--compare", "--html", file, scratch.file(`logs/${IN_STEP}`), scratch.file(`logs/${LATE}`));
    assert.equal(run.status, 0, run.stderr);
    const { page, errors } = await openPage(suite.browser, file);
    await page.getByRole("tab", { name: "Table" }).click();
    await page.getByLabel("Statistic", { exact: true }).selectOption("correction %");
    assert.ok(await page.getByLabel("Values", { exact: true }).isHidden());
    await page.getByLabel("Y axis", { exact: true }).selectOption("TPS");
    await type(page, "X cells", "2000 3000 4000 5000");
    await type(page, "Y cells", "20 50 80");
    await type(page, "Measured", "[O2] * 2 + 10");
    await type(page, "Target", "12 + 2 * ([TPS] < 35)");
    assert.deepEqual(await shownTable(page), WANTED);
    assert.match(await page.locator("#table-caption").textContent(),
      /^The mean correction of fuel in per cent that brings \[O2\] \* 2 \+ 10 to 12 \+ 2 \* \(\[TPS\] < 35\) in each cell of CorrectionQMRX\.pdb\. /);

    // Read at once, the late sensor puts the last cell's reading into every cell after the first.
    await chooseRun(page, LATE);
    const atOnce = (await shownTable(page)).flat();
    assert.deepEqual(atOnce.map((text, cell) => text === WANTED.flat()[cell]), atOnce.map((_, cell) => cell === 0));
    await type(page, "Lag (s)", "0.3");
    assert.deepEqual(await shownTable(page), WANTED);
    // The last 0.3 s of the drive has no reading that late.
    const last = page.locator('#map td[data-row="2"][data-column="3"]');
    assert.equal(await last.getAttribute("title"), "17 samples");

    await suite.browser.context.grantPermissions(["clipboard-read", "clipboard-write"]);
    await page.getByRole("button", { name: "Copy table" }).click();
    await page.locator("#table-status", { hasText: /^The table is on the clipboard\.$/ }).waitFor({ timeout: 5000 });
    const lines = (corner, cells) => [[corner, "2000", "3000", "4000", "5000"], ...["20", "50", "80"].map((tps, row) => [tps, ...cells[row]])]
      .map((line) => `${line.join("\t")}\r\n`).join("");
    const counts = [0, 1, 2].map((row) => [0, 1, 2, 3].map((column) => (row === 2 && column === 3 ? "17" : "20")));
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), `${lines("", WANTED)}\r\n${lines(`samples of ${LATE}`, counts)}`);

    // The difference of the runs' corrections, each as its own table shows it.
    await chooseRun(page, IN_STEP);
    const inStep = await shownTable(page);
    await chooseRun(page, `${LATE} \u2212 ${IN_STEP}`);
    const difference = WANTED.map((line, row) => line.map((text, column) => {
      const change = Math.round((Number(text) - Number(inStep[row][column])) * 10) / 10;
      return `${change > 0 ? "+" : ""}${change.toFixed(1)}`;
    }));
    assert.deepEqual(await shownTable(page), difference);
    assert.ok(difference.flat().some((text) => text !== "0.0"));
    assert.equal(await last.getAttribute("title"), `17 of ${LATE}, 17 of ${IN_STEP}`);

    // A mistake keeps the last valid setting; the address keeps the valid ones over a reload.
    await type(page, "Measured", "[O2] * 2 +");
    assert.match(await page.locator("#table-measured-error").textContent(), /^At character 11: .*\. The table keeps \[O2\] \* 2 \+ 10\.$/);
    await type(page, "Lag (s)", "6");
    assert.equal(await page.locator("#table-lag-error").textContent(),
      "Give the lag in seconds from 0 to 5 with at most three decimals, as 0.3. The table keeps 0.3.");
    await page.reload();
    await page.waitForFunction(() => document.documentElement.dataset.ready === "true");
    assert.deepEqual(await Promise.all(["Measured", "Target", "Lag (s)"].map((label) => page.getByLabel(label, { exact: true }).inputValue())),
      ["[O2] * 2 + 10", "12 + 2 * ([TPS] < 35)", "0.3"]);
    assert.deepEqual(await shownTable(page), difference);
    assert.deepEqual(errors, []);
    await page.close();
  });
});
