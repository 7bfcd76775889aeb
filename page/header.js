// What the page shows of its runs above and below the views, drawn from their data: the title,
// each run's summary, the notices of damage and of the clock, the channels' ranges, and the
// legend of the runs with their line styles.
import { DASHES } from "./strips.js";

// More clock warnings than this fold into one line that opens to list them.
const WARNINGS_SHOWN_OPEN = 3;

function element(document, tag, className = "", text = null) {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text !== null) made.textContent = text;
  return made;
}

// A short line in a run's dashes, as its strips draw it.
export function lineSample(document, run, colour = "#3c4043") {
  const svg = document.createElementNS("http://www.w3.org/2000/svg", "svg");
  svg.setAttribute("class", "line-sample");
  svg.setAttribute("width", "28");
  svg.setAttribute("height", "8");
  svg.setAttribute("aria-hidden", "true");
  const line = document.createElementNS("http://www.w3.org/2000/svg", "line");
  for (const [name, value] of [["x1", 0], ["y1", 4], ["x2", 28], ["y2", 4], ["stroke", colour], ["stroke-width", 1.5],
    ["stroke-dasharray", DASHES[run].join(" ") || "none"]]) {
    line.setAttribute(name, String(value));
  }
  svg.append(line);
  return svg;
}

// "BeforeQMRX.pdb compared with AfterQMRX.pdb, …", or the one log's name.
function pageTitle(runs) {
  const [first, ...others] = runs.map((run) => run.name);
  return others.length === 0 ? first : `${first} compared with ${others.join(", ")}`;
}

export function renderHeader(document, runs) {
  document.title = pageTitle(runs);
  document.getElementById("page-title").textContent = document.title;
  const several = runs.length > 1;
  document.getElementById("summaries").replaceChildren(...runs.filter((run) => run.summary).map((run) => {
    const list = element(document, "dl", "summary");
    for (const [term, value] of run.summary) {
      const item = element(document, "div");
      item.append(element(document, "dt", "", term), element(document, "dd", "", value));
      list.append(item);
    }
    if (!several) return list;
    const line = element(document, "div", "run-summary");
    const name = element(document, "span", "run-name", run.name);
    name.prepend(lineSample(document, runs.indexOf(run)));
    line.append(name, list);
    return line;
  }));
}

// The notes of the runs' data (where reading stopped, the clock's warnings) and any others,
// [{kind: "stop" or "warning", text}], the page's own last.
export function renderNotices(document, runs, others) {
  const shown = [];
  for (const run of runs) {
    const prefix = runs.length > 1 ? `${run.name}: ` : "";
    const warnings = run.notes.filter((note) => note.kind === "warning");
    for (const note of run.notes.filter((candidate) => candidate.kind === "stop")) {
      const stop = element(document, "p", "stop", `${prefix}${note.text}`);
      stop.setAttribute("role", "alert");
      shown.push(stop);
    }
    if (warnings.length <= WARNINGS_SHOWN_OPEN) {
      for (const note of warnings) shown.push(element(document, "p", "warning", `${prefix}Warning: ${note.text}`));
      continue;
    }
    const folded = element(document, "details", "warning");
    const list = element(document, "ul");
    list.append(...warnings.map((note) => element(document, "li", "", note.text)));
    folded.append(element(document, "summary", "", `${prefix}Warning: the time goes back or jumps ahead at ${warnings.length} records`), list);
    shown.push(folded);
  }
  for (const note of others) shown.push(element(document, "p", note.kind, note.text));
  document.getElementById("notices").replaceChildren(...shown);
}

// Each run's channels with their smallest and largest value, a table per run.
export function renderRanges(document, runs) {
  const section = document.getElementById("ranges");
  const tables = runs.map((run) => {
    const table = element(document, "table");
    if (runs.length > 1) table.append(element(document, "caption", "", run.name));
    const head = table.createTHead().insertRow();
    for (const text of ["channel", "smallest", "largest"]) {
      const cell = element(document, "th", "", text);
      cell.scope = "col";
      head.append(cell);
    }
    const body = table.createTBody();
    for (const [heading, smallest, largest] of run.ranges) {
      const row = body.insertRow();
      const name = element(document, "th", "", heading);
      name.scope = "row";
      row.append(name, element(document, "td", "", smallest), element(document, "td", "", largest));
    }
    return table;
  });
  section.replaceChildren(section.querySelector("h2"), ...tables);
}
