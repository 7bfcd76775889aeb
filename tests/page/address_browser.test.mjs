// A page opened with an address crafted to break or fool it, in Chromium: it starts, draws what it
// can, notes what it leaves out, marks its computed channels in every choice, caption and legend,
// and labels values of any size on its axes.
import assert from "node:assert/strict";
import { copyFileSync } from "node:fs";
import { join } from "node:path";
import { describe, test } from "node:test";
import { pathToFileURL } from "node:url";

import { browserSuite, convert, setting } from "./browser.mjs";

const suite = browserSuite([]);

describe("a crafted address", () => {
  test("starts the page, with a note for each setting it leaves out", async () => {
    // A log of a long name, which the page's title and summary wrap.
    const log = suite.scratch.file(`${"ThirdGear".repeat(20)}QMRX.pdb`);
    copyFileSync(join(setting("QUILLET_SAMPLES"), "ThirdGearQMRX.pdb"), log);
    const file = suite.scratch.file("crafted.html");
    assert.equal(convert("--html", file, log).status, 0);
    const deep = `${"(".repeat(2000)}[RPM]${")".repeat(2000)} > 1`;
    const channels = [["RPM ", 0, "[RPM] * 2"], ["O2\u00a0", 2, "[O2] - 0.5"], ["RP\u200bM", 0, "[RPM]"], [`${"L".repeat(300)}`, 0, "1"],
      ["Big", 0, "[RPM] * 100000"], ["none", 1, "[O2]"], ["Deep", 0, deep]];
    const fields = new URLSearchParams({
      view: "table", x: "RPM", y: "Big", values: "none", minimum: "100000000000000000000000", xCells: "0,5 1,5",
      filter: deep, colour: "none", channels: JSON.stringify(channels),
    });
    const page = await suite.browser.context.newPage();
    await page.setViewportSize({ width: 1280, height: 800 });
    const errors = [];
    page.on("pageerror", (error) => errors.push(error.message));
    await page.goto(`${pathToFileURL(file).href}#${fields}`);
    await page.waitForFunction(() => document.documentElement.dataset.ready === "true", null, { timeout: 20000 });
    assert.deepEqual(errors, []);
    const notes = await page.locator("#notices .warning").allTextContents();
    const expected = [
      /^From the page's address, left out: the computed channel "RPM "\. There is a channel headed RPM already\.$/,
      /^From the page's address, left out: the computed channel "O2\\u\{A0\}"\. There is a channel headed O2 already\.$/,
      /^From the page's address, left out: the computed channel "RP\\u\{200B\}M"\. There is a channel headed RPM already\.$/,
      /^From the page's address, left out: the computed channel "L{40}…"\. Give the channel a name of at most 40 characters\.$/,
      /^From the page's address, left out: the computed channel Deep\. At character 258: nested too deeply/,
      /^From the page's address, left out: Minimum samples\. Give a whole number from 1 to 10000000\.$/,
      /^From the page's address, left out: the X cells\. 1 comes after 5: .*; the decimal mark here is "\."\.$/,
      /^From the page's address, left out: the filter\. At character 258: nested too deeply/,
    ];
    assert.equal(notes.length, expected.length, notes.join("\n"));
    notes.forEach((note, i) => assert.match(note, expected[i]));

    // What passed is there, computed channels marked as such wherever they are named.
    assert.equal(await page.getByLabel("Y axis", { exact: true }).inputValue(), "Big");
    assert.equal(await page.getByLabel("Minimum samples", { exact: true }).inputValue(), "1");
    assert.equal(await page.getByLabel("Filter", { exact: true }).inputValue(), "");
    assert.deepEqual(await page.locator("#table-values option").allTextContents(),
      ["RPM", "Knock", "Timing", "O2", "Airflow", "Inj P/W", "Air Volume", "TPS", "Battery", "Barometer", "ISC", "Accel Enrichment",
        "Big (computed)", "none (computed)"]);
    assert.match(await page.locator("#table-caption").textContent(), /^The mean of none \(computed\) in each cell\./);
    assert.equal(await page.locator("#map th.corner").textContent(), "Big (computed) \u2193 RPM \u2192");
    assert.deepEqual(await page.locator(".strip .heading").evaluateAll((headings) => headings.slice(-2).map((heading) => heading.textContent)),
      ["Big (computed)", "none (computed)"]);
    assert.ok((await page.locator(".channels label").allTextContents()).includes("Big (computed)\u270e\u00d7"));

    // Values of a hundred million: every label fits beside its strip, and the scatter labels them.
    await page.getByRole("tab", { name: "Strips" }).click();
    const big = (await page.evaluate(() => quilletPage.valueLabels())).find((strip) => strip.heading === "Big");
    const widest = await page.evaluate((labels) => {
      const context = document.createElement("canvas").getContext("2d");
      context.font = "11px system-ui, sans-serif";
      return Math.max(...labels.map((label) => context.measureText(label).width));
    }, big.labels);
    assert.ok(big.labels.some((label) => label.length >= 8), big.labels.join(" "));
    assert.ok(big.width >= widest + 6, `${big.width} px for ${big.labels.join(" ")}`);
    await page.getByRole("tab", { name: "Scatter" }).click();
    await page.getByLabel("Up", { exact: true }).selectOption("Big");
    assert.equal(await page.getByLabel("Colour", { exact: true }).inputValue(), "none");
    assert.match(await page.locator("#scatter-caption").textContent(), /^Big \(computed\) up, RPM across, coloured by none \(computed\)\./);
    await page.getByLabel("Colour", { exact: true }).selectOption({ label: "none" });
    assert.match(await page.locator("#scatter-caption").textContent(), /^Big \(computed\) up, RPM across\. /);
    const { y } = await page.evaluate(() => quilletPage.scatterLabels());
    assert.ok(y.filter((label) => /^\d{8,}$/.test(label)).length >= 2, y.join(" "));
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth) <= 1280, "the page stays as wide as the window");
    assert.deepEqual(errors, []);
    await page.screenshot({ path: suite.scratch.file("crafted.png"), fullPage: true });
    await page.close();
  });
});
