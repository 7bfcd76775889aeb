// Takes screenshots of a log page in headless Chromium: PNG of the strips with the mouse over them
// at a share of their width, so that the cursor and its read-out show; and beside it, named with
// "-table" before ".png", the table view of the page's default table with the cell that holds the
// most samples chosen, above the strips of the table's channels, where the cell's samples are
// marked on the time axis. With --table, PNG is the table alone as the settings after PAGE's "#"
// set it (a difference of two runs, say), its cell of the largest value, or change, chosen.
// Usage: QUILLET_NODE_MODULES=DIR node page-screenshot.mjs PAGE PNG [WIDTH HEIGHT [SHARE]]
//        QUILLET_NODE_MODULES=DIR node page-screenshot.mjs --table PAGE#SETTINGS PNG [WIDTH HEIGHT]
import { pathToFileURL } from "node:url";

import { openBrowser } from "../tests/page/browser.mjs";

const tableAlone = process.argv[2] === "--table";
const [address, png, width = "1280", height = "800", share = "0.4"] = process.argv.slice(tableAlone ? 3 : 2);
if (!address || !png || !png.endsWith(".png")) {
  console.error("usage: node page-screenshot.mjs [--table] PAGE[#SETTINGS] PNG [WIDTH HEIGHT [SHARE]]");
  process.exit(2);
}
const [file, settings = ""] = address.split("#");

// Hides the strips of the channels the table does not show.
async function tableStripsOnly(page) {
  const tableChannels = await Promise.all(["X axis", "Y axis", "Values"]
    .map((label) => page.getByLabel(label, { exact: true }).inputValue()));
  for (const box of await page.locator(".channels input[type=checkbox]").all()) {
    const heading = await box.evaluate((element) => element.parentElement.textContent.trim());
    if (!tableChannels.includes(heading)) await box.uncheck();
  }
}

async function chooseCell(page, score) {
  const texts = await page.locator("#map td").allTextContents();
  const best = texts.reduce((chosen, text, cell) => (text !== "" && (chosen < 0 || score(text) > score(texts[chosen])) ? cell : chosen), -1);
  await page.locator("#map td").nth(Math.max(best, 0)).click();
  await page.mouse.move(0, 0);
}

const browser = await openBrowser();
try {
  const page = await browser.context.newPage();
  await page.setViewportSize({ width: Number(width), height: Number(height) });
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await page.goto(`${pathToFileURL(file).href}${settings ? `#${settings}` : ""}`);
  await page.waitForFunction(() => document.documentElement.dataset.ready === "true", null, { timeout: 60000 });
  if (tableAlone) {
    await tableStripsOnly(page);
    await chooseCell(page, (text) => Math.abs(Number(text.replace(",", "."))));
    await page.locator("#table-view").screenshot({ path: png });
  } else {
    const area = await page.locator(".strip .u-over").first().boundingBox();
    await page.mouse.move(area.x + area.width * Number(share), area.y + area.height / 2);
    await page.screenshot({ path: png });

    await page.getByRole("tab", { name: "Table" }).click();
    await tableStripsOnly(page);
    const statistic = page.getByLabel("Statistic", { exact: true });
    const shown = await statistic.inputValue();
    await statistic.selectOption("samples");
    const counts = await page.locator("#map td").allTextContents();
    await statistic.selectOption(shown);
    const fullest = counts.map(Number).reduce((best, count, cell) => (count > Number(counts[best]) ? cell : best), 0);
    await page.locator("#map td").nth(fullest).click();
    await page.mouse.move(0, 0);
    await page.screenshot({ path: png.replace(/\.png$/, "-table.png") });
  }
  if (errors.length > 0) throw new Error(`the page failed: ${errors.join("; ")}`);
} finally {
  await browser.close();
}
