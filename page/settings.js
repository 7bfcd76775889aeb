// The page's settings in its address's fragment ("#view=table&x=RPM&…"), so that a reload or a
// bookmark shows the same views; a page opened afresh has none and starts from the defaults.
// Channels are named by their headings, computed channels listed with their decimals and
// expressions. No DOM here, so that Node tests it.

const FIELDS = ["view", "x", "y", "values", "statistic", "xCells", "yCells", "minimum", "filter",
  "across", "up", "colour"];

export function settingsText(settings) {
  const fields = new URLSearchParams();
  for (const key of FIELDS) {
    if (settings[key] !== undefined && settings[key] !== null) fields.set(key, settings[key]);
  }
  if (settings.channels?.length) {
    fields.set("channels", JSON.stringify(settings.channels.map(({ heading, decimals, expression }) =>
      [heading, decimals, expression])));
  }
  return fields.toString();
}

// The settings a fragment holds; what it does not hold, or holds spoilt, is left out.
export function readSettings(fragment) {
  const fields = new URLSearchParams(fragment.replace(/^#/, ""));
  const settings = {};
  for (const key of FIELDS) {
    if (fields.has(key)) settings[key] = fields.get(key);
  }
  try {
    const channels = JSON.parse(fields.get("channels") ?? "[]");
    settings.channels = Array.isArray(channels) ? channels.filter((channel) => Array.isArray(channel) &&
      typeof channel[0] === "string" && Number.isInteger(channel[1]) && typeof channel[2] === "string")
      .map(([heading, decimals, expression]) => ({ heading, decimals, expression })) : [];
  } catch {
    settings.channels = [];
  }
  return settings;
}
