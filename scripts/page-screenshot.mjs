// Takes a screenshot of a log page in headless Chromium, with the mouse over the strips at a
// share of their width, so that the cursor and its read-out show.
// Usage: QUILLET_NODE_MODULES=DIR node page-screenshot.mjs PAGE PNG [WIDTH HEIGHT [SHARE]]
import { openBrowser, openPage } from "../tests/page/browser.mjs";

const [file, png, width = "1280", height = "800", share = "0.4"] = process.argv.slice(2);
if (!file || !png) {
  console.error("usage: node page-screenshot.mjs PAGE PNG [WIDTH HEIGHT [SHARE]]");
  process.exit(2);
}
const browser = await openBrowser();
try {
  const { page, errors } = await openPage(browser, file, { width: Number(width), height: Number(height) });
  const area = await page.locator(".strip .u-over").first().boundingBox();
  await page.mouse.move(area.x + area.width * Number(share), area.y + area.height / 2);
  await page.screenshot({ path: png });
  if (errors.length > 0) throw new Error(`the page failed: ${errors.join("; ")}`);
} finally {
  await browser.close();
}
