// Takes screenshots of a log page in headless Chromium: PNG of the strips with the mouse over them
// at a share of their width, so that the cursor and its read-out show; and beside it, named with
// "-table" before ".png", the table view of the page's default table with the cell that holds the
// most samples chosen, above the strips of the table's channels, where the cell's samples are
// marked on the time axis.
// Usage: QUILLET_NODE_MODULES=DIR node page-screenshot.mjs PAGE PNG [WIDTH HEIGHT [SHARE]]
import { openBrowser, openPage } from "../tests/page/browser.mjs";

const [file, png, width = "1280", height = "800", share = "0.4"] = process.argv.slice(2);
if (!file || !png || !png.endsWith(".png")) {
  console.error("usage: node page-screenshot.mjs PAGE PNG [WIDTH HEIGHT [SHARE]]");
  process.exit(2);
}
const viewport = { width: Number(width), height: Number(height) };
const browser = await openBrowser();
try {
  const { page, errors } = await openPage(browser, file, viewport);
  const area = await page.locator(".strip .u-over").first().boundingBox();
  await page.mouse.move(area.x + area.width * Number(share), area.y + area.height / 2);
  await page.screenshot({ path: png });

  await page.getByRole("tab", { name: "Table" }).click();
  const tableChannels = await Promise.all(["X axis", "Y axis", "Values"]
    .map((label) => page.getByLabel(label, { exact: true }).inputValue()));
  for (const box of await page.locator(".channels input[type=checkbox]").all()) {
    const heading = await box.evaluate((element) => element.parentElement.textContent.trim());
    if (!tableChannels.includes(heading)) await box.uncheck();
  }
  const statistic = page.getByLabel("Statistic", { exact: true });
  const shown = await statistic.inputValue();
  await statistic.selectOption("samples");
  const counts = await page.locator("#map td").allTextContents();
  await statistic.selectOption(shown);
  const fullest = counts.map(Number).reduce((best, count, cell) => (count > Number(counts[best]) ? cell : best), 0);
  await page.locator("#map td").nth(fullest).click();
  await page.mouse.move(0, 0);
  await page.screenshot({ path: png.replace(/\.png$/, "-table.png") });
  if (errors.length > 0) throw new Error(`the page failed: ${errors.join("; ")}`);
} finally {
  await browser.close();
}
