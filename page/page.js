// The log page's glue: the strips, the table and the scatter views of one log, the cursor that
// reads every channel, zoom by dragging, buttons or keys, the filter, computed channels, and the
// settings kept in the address's fragment. In the page, the embedding step joins the modules
// into one module script without their import lines.
import { ExpressionError, bindChannels, channelsOf, evaluateExpression, keptSamples, parseExpression } from "./expression.js";
import {
  channelRange, computedChannel, keptBeforeByTime, lowerBound, nearestSample, readLog, sampleByTime, sampleTimeText,
  valueText,
} from "./log_data.js";
import { DOT_SCALE, ScatterPlot, plotRange } from "./scatter.js";
import { readSettings, settingsText } from "./settings.js";
import { COLOURS, StripCharts } from "./strips.js";
import {
  CellsError, STATISTICS, TABLE_SCALE, cellsText, computeTable, defaultCells, parseCells, renderLegend,
  renderTable, shownDecimals, tableText,
} from "./table.js";

// The narrowest view, in hundredths.
const SMALLEST_SPAN = 5;
const MOST_COLUMNS = 16;
const MOST_ROWS = 12;
// A computed channel's heading must not read as another channel one sample earlier.
const NOT_A_HEADING = /[[\]]|-\s*\d+\s*$/;

const byId = (id) => document.getElementById(id);
const log = readLog(JSON.parse(byId("log-data").textContent));
const mark = log.decimalMark;
const times = log.timesByTime;
const whole = log.count === 0 ? { start: 0, end: 100 }
  : times[0] === times[log.count - 1]
    ? { start: times[0] - 50, end: times[0] + 50 }
    : { start: times[0], end: times[log.count - 1] };
const view = { ...whole };
// The cursor's sample, in file order, or -1.
let cursor = -1;

const cursorTime = byId("cursor-time");
const cursorSample = byId("cursor-sample");
const strips = new StripCharts(log, view, byId("strips"), byId("cursor"), {
  point: (time) => moveCursorTo(sampleByTime(log, nearestSample(times, time)), false),
  zoom: (start, end) => setView(start, end),
  whole: () => showWholeLog(),
});

// Every channel: the log's, then the computed ones, each with its strip and check box.
const channels = [];
const channelChoice = byId("channel-choice");
const addChannelButton = byId("add-channel");

function addChannel(channel, expression = null) {
  const colour = COLOURS[channels.length % COLOURS.length];
  const strip = strips.add(channel, colour);
  const label = document.createElement("label");
  const box = document.createElement("input");
  box.type = "checkbox";
  box.checked = true;
  box.dataset.channel = strip.element.dataset.channel;
  box.addEventListener("change", () => {
    strip.element.hidden = !box.checked;
    layOut();
  });
  const swatch = document.createElement("span");
  swatch.className = "swatch";
  swatch.style.background = colour;
  label.append(box, swatch, channel.heading);
  const entry = { channel, strip, label, expression };
  if (expression !== null) {
    const remove = document.createElement("button");
    remove.type = "button";
    remove.className = "remove";
    remove.textContent = "\u00d7";
    remove.title = `Remove ${channel.heading}`;
    remove.setAttribute("aria-label", `Remove ${channel.heading}`);
    remove.addEventListener("click", () => removeChannel(entry));
    label.append(remove);
  }
  channelChoice.insertBefore(label, addChannelButton);
  channels.push(entry);
  return entry;
}

log.channels.forEach((channel) => addChannel(channel));

// The channel an expression names by its heading, or why there is none.
function channelNamed(heading) {
  const entry = channels.find((candidate) => candidate.channel.heading === heading);
  if (!entry) return `no channel is headed "${heading}"`;
  if (!entry.channel.numbers) return `${heading} has no values: the channel table does not know it`;
  return entry.channel;
}

// An expression's tree over the page's channels; an ExpressionError says what is wrong.
function expressionTree(text) {
  return bindChannels(parseExpression(text), channelNamed);
}

// The channels a view may show: those with values.
const valued = () => channels.filter((entry) => entry.channel.numbers);

// "1 sample", "2 samples".
const samplesText = (count) => `${count} sample${count === 1 ? "" : "s"}`;

// ----- The cursor and the view -----

function showCursorValues() {
  if (cursor < 0) {
    cursorTime.textContent = "-";
    cursorSample.textContent = log.count === 0 ? "(the log holds no samples)" : "";
    for (const { strip } of channels) strip.value.textContent = "";
    return;
  }
  cursorTime.textContent = sampleTimeText(log.seconds[cursor], log.hundredths[cursor], mark);
  cursorSample.textContent = `sample ${cursor + 1} of ${log.count}`;
  for (const { channel, strip } of channels) strip.value.textContent = valueText(channel, cursor, mark);
}

// Moves the cursor to a sample (in file order); from the keys, the view follows it when it leaves
// the view.
function moveCursorTo(sample, follow) {
  if (sample < 0 || sample >= log.count) return;
  cursor = sample;
  showCursorValues();
  const time = log.times[cursor];
  if (follow && (time < view.start || time > view.end)) {
    const span = view.end - view.start;
    setView(time - span / 2, time + span / 2);
  } else {
    strips.placeCursor(time);
    scatter?.placeCursor(cursor);
  }
}

// Shows start to end, moved inside the log and widened to the narrowest view when narrower.
function setView(start, end) {
  const span = Math.min(Math.max(end - start, SMALLEST_SPAN), whole.end - whole.start);
  const middle = (start + end) / 2;
  const from = Math.min(Math.max(middle - span / 2, whole.start), whole.end - span);
  view.start = from;
  view.end = from + span;
  strips.draw(view, cursor < 0 ? null : log.times[cursor]);
  showView();
}

// Zooms by factor, keeping the cursor where it is on the screen when it is in the view.
function zoomBy(factor) {
  const time = cursor >= 0 ? log.times[cursor] : null;
  const centre = time !== null && time >= view.start && time <= view.end
    ? time : (view.start + view.end) / 2;
  setView(centre - (centre - view.start) * factor, centre + (view.end - centre) * factor);
}

function showWholeLog() {
  setView(whole.start, whole.end);
}

// Steps the cursor by samples in file order; a cursor outside the view comes back in at the edge
// it steps from.
function stepCursor(samples) {
  if (log.count === 0) return;
  const time = cursor >= 0 ? log.times[cursor] : null;
  if (time === null || time < view.start || time > view.end) {
    const inView = strips.samplesInView();
    if (inView) {
      moveCursorTo(sampleByTime(log, samples > 0 ? inView[0] : inView[1]), false);
      return;
    }
  }
  moveCursorTo(Math.min(Math.max(cursor + samples, 0), log.count - 1), true);
}

byId("whole-log").addEventListener("click", showWholeLog);
byId("zoom-in").addEventListener("click", () => zoomBy(0.5));
byId("zoom-out").addEventListener("click", () => zoomBy(2));

function layOut() {
  strips.layOut(byId("keys").offsetHeight);
  if (shown === "scatter" && scatter) scatter.setSize(byId("scatter-plot").clientWidth, scatterHeight());
}

// ----- The filter -----

const filterBox = byId("filter");
const filterError = byId("filter-error");
const filterStatus = byId("filter-status");
// The last valid filter: its text, which samples it keeps (null: all), and how many of the first k
// by time.
const filter = { text: "", kept: null, keptBefore: null, tree: null };

// Applies the filter's text; a mistake is shown under the box and the views keep the last valid
// filter. Returns whether it took the text.
function applyFilter(text) {
  let tree = null;
  if (text.trim() !== "") {
    try {
      tree = expressionTree(text);
    } catch (error) {
      if (!(error instanceof ExpressionError)) throw error;
      filterError.textContent = `${error.message}. The views keep ${filter.text ? `the filter ${filter.text}` : "every sample"}.`;
      return false;
    }
  }
  filterError.textContent = "";
  const { kept, total } = tree ? keptSamples(tree, log.count) : { kept: null, total: log.count };
  const keptBefore = kept && keptBeforeByTime(log, kept);
  Object.assign(filter, { text: tree ? text.trim() : "", kept, keptBefore, tree });
  filterStatus.textContent = tree ? `keeps ${total} of ${samplesText(log.count)}` : "";
  strips.setKept(keptBefore);
  showView();
  return true;
}

// Enter in the box changes it, as leaving it does; the form itself sends nothing.
byId("filter-form").addEventListener("submit", (event) => event.preventDefault());
filterBox.addEventListener("change", () => {
  if (applyFilter(filterBox.value)) saveSettings();
});

// ----- Computed channels -----

const channelForm = byId("channel-form");
const channelError = byId("channel-error");

// A computed channel's name or decimals that cannot be.
class ChannelError extends Error {}

// Adds a computed channel; a ChannelError or an ExpressionError says why it cannot.
function addComputedChannel(heading, decimals, expression) {
  if (heading === "" || NOT_A_HEADING.test(heading)) {
    throw new ChannelError("Give the channel a name without square brackets that does not end in a minus and a number.");
  }
  if (channels.some((entry) => entry.channel.heading === heading)) {
    throw new ChannelError(`There is a channel headed ${heading} already.`);
  }
  if (!Number.isInteger(decimals) || decimals < 0 || decimals > 6) {
    throw new ChannelError("Give the decimals as a whole number from 0 to 6.");
  }
  const tree = expressionTree(expression);
  const channel = computedChannel(log, heading, decimals, evaluateExpression(tree, log.count));
  addChannel(channel, { text: expression.trim(), uses: channelsOf(tree) });
}

function removeChannel(entry) {
  const user = channels.find((other) => other.expression?.uses.includes(entry.channel)) ??
    (filter.tree && channelsOf(filter.tree).includes(entry.channel) ? { channel: { heading: "the filter" } } : null);
  if (user) {
    channelError.textContent = `${user.channel.heading} reads ${entry.channel.heading}: change it first.`;
    channelForm.hidden = false;
    return;
  }
  channels.splice(channels.indexOf(entry), 1);
  strips.remove(entry.strip);
  entry.label.remove();
  const axes = [tableX.value, tableY.value];
  fillChannelChoices();
  if (tableX.value !== axes[0]) resetCells("x");
  if (tableY.value !== axes[1]) resetCells("y");
  forgetChosenCell();
  layOut();
  showView();
  saveSettings();
}

addChannelButton.addEventListener("click", () => {
  channelForm.hidden = !channelForm.hidden;
  addChannelButton.setAttribute("aria-expanded", String(!channelForm.hidden));
  if (!channelForm.hidden) byId("channel-name").focus();
  layOut();
});
byId("channel-cancel").addEventListener("click", () => {
  channelForm.hidden = true;
  addChannelButton.setAttribute("aria-expanded", "false");
  channelError.textContent = "";
  layOut();
});
channelForm.addEventListener("submit", (event) => {
  event.preventDefault();
  try {
    addComputedChannel(byId("channel-name").value.trim(), Number(byId("channel-decimals").value),
      byId("channel-expression").value);
  } catch (error) {
    if (!(error instanceof ExpressionError || error instanceof ChannelError)) throw error;
    channelError.textContent = error.message;
    return;
  }
  channelError.textContent = "";
  channelForm.reset();
  fillChannelChoices();
  layOut();
  showCursorValues();
  saveSettings();
});

// ----- The views: strips alone, or the table or the scatter above them -----

const tabs = [...document.querySelectorAll("[role=tab]")];
let shown = "strips";

function showTab(name) {
  shown = name;
  for (const tab of tabs) {
    const selected = tab.dataset.view === name;
    tab.setAttribute("aria-selected", String(selected));
    tab.tabIndex = selected ? 0 : -1;
  }
  byId("table-view").hidden = name !== "table";
  byId("scatter-view").hidden = name !== "scatter";
  layOut();
  showView();
}

for (const tab of tabs) {
  tab.addEventListener("click", () => {
    showTab(tab.dataset.view);
    saveSettings();
  });
  tab.addEventListener("keydown", (event) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
    if (!step) return;
    event.preventDefault();
    event.stopPropagation();
    const next = tabs[(tabs.indexOf(tab) + step + tabs.length) % tabs.length];
    next.focus();
    next.click();
  });
}

// Shows the table or the scatter of the samples the strips show.
function showView() {
  if (shown === "table") showTable();
  else if (shown === "scatter") showScatter();
}

// The channel selects of both views, each keeping its choice where the channel is still there.
const selects = ["table-x", "table-y", "table-values", "scatter-x", "scatter-y", "scatter-colour"].map(byId);

function fillChannelChoices() {
  const entries = valued();
  for (const select of selects) {
    const chosen = select.selectedOptions[0]?.textContent;
    const none = select.id === "scatter-colour" ? [new Option("none", "")] : [];
    select.replaceChildren(...none, ...entries.map((entry) => new Option(entry.channel.heading, entry.channel.heading)));
    if (chosen !== undefined && [...select.options].some((option) => option.textContent === chosen)) {
      select.value = select.id === "scatter-colour" && chosen === "none" ? "" : chosen;
    }
  }
}

function channelOf(select) {
  return select.value === "" ? null : channelNamed(select.value);
}

// The first of the headings that the log holds, or else the first channel with values that is not
// one of `taken`.
function firstOf(headings, taken) {
  const entries = valued();
  const found = headings.map((heading) => entries.find((entry) => entry.channel.heading === heading)).find(Boolean) ??
    entries.find((entry) => !taken.includes(entry.channel.heading)) ?? entries[0];
  return found?.channel.heading ?? "";
}

// ----- The table -----

const tableX = byId("table-x");
const tableY = byId("table-y");
const tableValues = byId("table-values");
const tableStatistic = byId("table-statistic");
const tableMinimum = byId("table-minimum");
const mapElement = byId("map");
const tableStatus = byId("table-status");
const cellBoxes = {
  x: { box: byId("table-x-cells"), error: byId("table-x-cells-error"), select: tableX, most: MOST_COLUMNS },
  y: { box: byId("table-y-cells"), error: byId("table-y-cells-error"), select: tableY, most: MOST_ROWS },
};
// What the table shows: the last valid cells and minimum, the chosen cell, the table itself.
const tableState = { cells: { x: null, y: null }, minimum: 1, chosen: null, table: null };

function defaultCellsOf(axis) {
  const channel = channelOf(cellBoxes[axis].select);
  const range = channel && channelRange(channel);
  return range ? defaultCells(range[0], range[1], channel.decimals, cellBoxes[axis].most) : { centres: [0], decimals: 0 };
}

function resetCells(axis) {
  tableState.cells[axis] = defaultCellsOf(axis);
  cellBoxes[axis].box.value = cellsText(tableState.cells[axis], mark);
  cellBoxes[axis].error.textContent = "";
}

function readCells(axis) {
  const { box, error } = cellBoxes[axis];
  try {
    tableState.cells[axis] = parseCells(box.value, mark, log.separator);
    error.textContent = "";
    return true;
  } catch (mistake) {
    if (!(mistake instanceof CellsError)) throw mistake;
    error.textContent = `${mistake.message}. The table keeps ${cellsText(tableState.cells[axis], mark)}.`;
    return false;
  }
}

function readMinimum() {
  const text = tableMinimum.value.trim();
  const ok = /^\d+$/.test(text) && Number(text) >= 1;
  byId("table-minimum-error").textContent = ok ? "" : `Give a whole number from 1. The table keeps ${tableState.minimum}.`;
  if (ok) tableState.minimum = Number(text);
  return ok;
}

// The samples the views show, by time: from the first within the view to the last.
function samplesShownText() {
  const inView = strips.samplesInView();
  if (!inView) return log.count === 0 ? "The log holds no samples." : "The strips' view holds no samples.";
  const timeOf = (index) => {
    const sample = sampleByTime(log, index);
    return sampleTimeText(log.seconds[sample], log.hundredths[sample], mark);
  };
  const zoomed = view.start > whole.start || view.end < whole.end;
  const count = inView[1] - inView[0] + 1;
  const kept = filter.keptBefore ? `, ${filter.keptBefore[inView[1] + 1] - filter.keptBefore[inView[0]]} of them kept by the filter` : "";
  return `${zoomed ? `From ${timeOf(inView[0])} to ${timeOf(inView[1])}, as the strips are zoomed` : "The whole log"}: ` +
    `${samplesText(count)}${kept}.`;
}

function showTable() {
  const [x, y, values] = [channelOf(tableX), channelOf(tableY), channelOf(tableValues)];
  if (!x || !y || !values) {
    byId("table-caption").textContent = "The log has no channel with values.";
    mapElement.replaceChildren();
    return;
  }
  const { cells, chosen } = tableState;
  const table = computeTable({
    x, y, values, xCells: cells.x, yCells: cells.y, statistic: tableStatistic.value, minimum: tableState.minimum,
    times: log.times, start: view.start, end: view.end, kept: filter.kept,
    chosen: chosen ? chosen.row * cells.x.centres.length + chosen.column : -1,
  });
  tableState.table = table;
  byId("table-caption").textContent = `${tableStatistic.value === "samples" ? "The number of samples"
    : `The ${tableStatistic.value} of ${values.heading}`} in each cell. ${samplesShownText()}` +
    (tableState.minimum > 1 ? ` Cells with fewer than ${samplesText(tableState.minimum)} are empty.` : "");
  const range = renderTable(mapElement, table, { x: x.heading, y: y.heading }, mark);
  renderLegend(byId("table-legend"), range, shownDecimals(table), mark, TABLE_SCALE);
  const focusable = chosen ? cellElement(chosen.row, chosen.column) : mapElement.querySelector("td");
  if (focusable) focusable.tabIndex = 0;
  if (chosen) {
    cellElement(chosen.row, chosen.column)?.classList.add("chosen");
    strips.setMarks(table.chosenSamples.map((sample) => log.times[sample]));
    showChosenStatus();
  } else {
    tableStatus.textContent = "";
  }
}

function cellElement(row, column) {
  return mapElement.querySelector(`td[data-row="${row}"][data-column="${column}"]`);
}

function showChosenStatus() {
  const samples = tableState.table.chosenSamples;
  const at = samples.indexOf(cursor);
  const { x, y } = tableState.cells;
  const { row, column } = tableState.chosen;
  tableStatus.textContent = `Cell ${tableX.value} ${cellsText(x, mark).split(" ")[column]}, ` +
    `${tableY.value} ${cellsText(y, mark).split(" ")[row]}: ${samplesText(samples.length)}` +
    (at >= 0 ? `; the cursor is at ${at + 1} of ${samples.length}.` : ".");
}

function chooseCell(row, column) {
  tableState.chosen = { row, column };
  showTable();
  const samples = tableState.table.chosenSamples;
  if (samples.length > 0) moveCursorTo(samples[0], true);
  showChosenStatus();
  cellElement(row, column)?.focus();
}

function forgetChosenCell() {
  if (!tableState.chosen) return;
  tableState.chosen = null;
  strips.setMarks(null);
}

// Steps the cursor to the chosen cell's next (or previous) sample in file order.
function stepInCell(direction) {
  const samples = tableState.table?.chosenSamples;
  if (!tableState.chosen || !samples || samples.length === 0) return;
  const after = lowerBound(samples, cursor + (direction > 0 ? 1 : 0));
  const next = direction > 0 ? samples[Math.min(after, samples.length - 1)] : samples[Math.max(after - 1, 0)];
  moveCursorTo(next, true);
  showChosenStatus();
}

mapElement.addEventListener("click", (event) => {
  const cell = event.target.closest("td");
  if (cell) chooseCell(Number(cell.dataset.row), Number(cell.dataset.column));
});
mapElement.addEventListener("keydown", (event) => {
  const cell = event.target.closest("td");
  if (!cell || event.ctrlKey || event.altKey || event.metaKey) return;
  const row = Number(cell.dataset.row);
  const column = Number(cell.dataset.column);
  const { columns, rows } = tableState.table;
  const moves = { ArrowLeft: [0, -1], ArrowRight: [0, 1], ArrowUp: [-1, 0], ArrowDown: [1, 0] };
  if (moves[event.key]) {
    const [down, across] = moves[event.key];
    const next = cellElement(Math.min(Math.max(row + down, 0), rows - 1), Math.min(Math.max(column + across, 0), columns - 1));
    cell.tabIndex = -1;
    next.tabIndex = 0;
    next.focus();
  } else if (event.key === "Enter" || event.key === " ") {
    chooseCell(row, column);
  } else {
    return;
  }
  event.preventDefault();
  event.stopPropagation();
});

function changeTable(reset) {
  if (reset) {
    resetCells(reset);
    forgetChosenCell();
  }
  showTable();
  saveSettings();
}

tableX.addEventListener("change", () => changeTable("x"));
tableY.addEventListener("change", () => changeTable("y"));
tableValues.addEventListener("change", () => changeTable(null));
tableStatistic.addEventListener("change", () => changeTable(null));
tableMinimum.addEventListener("change", () => {
  if (readMinimum()) changeTable(null);
});
for (const axis of ["x", "y"]) {
  cellBoxes[axis].box.addEventListener("change", () => {
    if (!readCells(axis)) return;
    forgetChosenCell();
    changeTable(null);
  });
}
byId("table-controls").addEventListener("submit", (event) => event.preventDefault());

byId("copy-table").addEventListener("click", async () => {
  if (!tableState.table) return;
  const text = tableText(tableState.table, "\t", mark);
  try {
    await navigator.clipboard.writeText(text);
    tableStatus.textContent = "The table is on the clipboard.";
  } catch (error) {
    tableStatus.textContent = `The browser did not let the page copy (${error.message}); select the table and copy it.`;
  }
});

byId("save-table").addEventListener("click", () => {
  if (!tableState.table) return;
  const text = tableText(tableState.table, log.separator, mark);
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([text], { type: "text/csv" }));
  link.download = `${document.title.replace(/\.pdb$/i, "")} ${tableValues.value} ${tableStatistic.value}.csv`
    .replace(/[\\/:*?"<>|]/g, "-");
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
});

// ----- The scatter -----

const scatterX = byId("scatter-x");
const scatterY = byId("scatter-y");
const scatterColour = byId("scatter-colour");
let scatter = null;

function scatterHeight() {
  return Math.max(240, Math.min(480, Math.round(window.innerHeight * 0.45)));
}

function showScatter() {
  const [x, y, colour] = [channelOf(scatterX), channelOf(scatterY), channelOf(scatterColour)];
  if (!x || !y) {
    byId("scatter-caption").textContent = "The log has no channel with values.";
    return;
  }
  scatter ??= new ScatterPlot(byId("scatter-plot"), scatterHeight(), mark);
  const rangeOf = (channel) => plotRange(channelRange(channel) ?? [0, 1], channel.decimals);
  const colourRange = colour && channelRange(colour);
  scatter.draw({
    x, y, colour, xRange: rangeOf(x), yRange: rangeOf(y), colourRange,
    times: log.times, start: view.start, end: view.end, kept: filter.kept,
  });
  scatter.placeCursor(cursor);
  byId("scatter-caption").textContent = `${y.heading} up, ${x.heading} across${colour ? `, coloured by ${colour.heading}` : ""}. ` +
    samplesShownText();
  renderLegend(byId("scatter-legend"), colourRange, colour?.decimals ?? 0, mark, DOT_SCALE);
}

for (const select of [scatterX, scatterY, scatterColour]) {
  select.addEventListener("change", () => {
    showScatter();
    saveSettings();
  });
}
byId("scatter-controls").addEventListener("submit", (event) => event.preventDefault());

// ----- Settings in the fragment -----

let restoring = true;

function saveSettings() {
  if (restoring) return;
  const { cells } = tableState;
  history.replaceState(null, "", `#${settingsText({
    view: shown,
    x: tableX.value, y: tableY.value, values: tableValues.value, statistic: tableStatistic.value,
    xCells: cellsText(cells.x, mark), yCells: cellsText(cells.y, mark), minimum: String(tableState.minimum),
    filter: filter.text || null,
    across: scatterX.value, up: scatterY.value, colour: scatterColour.value,
    channels: channels.filter((entry) => entry.expression)
      .map((entry) => ({ heading: entry.channel.heading, decimals: entry.channel.decimals, expression: entry.expression.text })),
  })}`);
}

// Chooses a channel by its heading where the select offers it.
function choose(select, heading) {
  if (heading !== undefined && [...select.options].some((option) => option.value === heading)) select.value = heading;
}

function restoreSettings(settings) {
  for (const { heading, decimals, expression } of settings.channels) {
    try {
      addComputedChannel(heading, decimals, expression);
    } catch (error) {
      if (!(error instanceof ExpressionError || error instanceof ChannelError)) throw error;
      channelError.textContent = `${heading} from the page's address: ${error.message}`;
      channelForm.hidden = false;
    }
  }
  fillChannelChoices();
  const x = firstOf(["RPM"], []);
  const y = firstOf(["Airflow", "Air Volume", "TPS"], [x]);
  choose(tableX, x);
  choose(tableY, y);
  choose(tableValues, firstOf(["O2", "Knock"], [x, y]));
  choose(scatterX, x);
  choose(scatterY, y);
  choose(scatterColour, tableValues.value);
  choose(tableX, settings.x);
  choose(tableY, settings.y);
  choose(tableValues, settings.values);
  if (STATISTICS.includes(settings.statistic)) tableStatistic.value = settings.statistic;
  choose(scatterX, settings.across);
  choose(scatterY, settings.up);
  choose(scatterColour, settings.colour);
  for (const axis of ["x", "y"]) {
    resetCells(axis);
    const saved = settings[`${axis}Cells`];
    if (saved !== undefined) {
      cellBoxes[axis].box.value = saved;
      if (!readCells(axis)) cellBoxes[axis].box.value = cellsText(tableState.cells[axis], mark);
    }
  }
  if (settings.minimum !== undefined) {
    tableMinimum.value = settings.minimum;
    if (!readMinimum()) tableMinimum.value = "1";
  }
  if (settings.filter !== undefined) {
    filterBox.value = settings.filter;
    applyFilter(settings.filter);
  }
  showTab(["table", "scatter"].includes(settings.view) ? settings.view : "strips");
}

// ----- Keys -----

const KEYS = {
  ArrowLeft: (event) => stepCursor(event.shiftKey ? -10 : -1),
  ArrowRight: (event) => stepCursor(event.shiftKey ? 10 : 1),
  Home: () => moveCursorTo(0, true),
  End: () => moveCursorTo(log.count - 1, true),
  "+": () => zoomBy(0.5),
  "=": () => zoomBy(0.5),
  "-": () => zoomBy(2),
  Escape: showWholeLog,
  n: () => stepInCell(1),
  N: () => stepInCell(-1),
};
document.addEventListener("keydown", (event) => {
  const act = KEYS[event.key];
  if (!act || event.ctrlKey || event.altKey || event.metaKey) return;
  // Boxes and lists take their own keys.
  if (event.target.closest?.("input, select, textarea")) return;
  event.preventDefault();
  act(event);
});

let layOutQueued = false;
window.addEventListener("resize", () => {
  if (layOutQueued) return;
  layOutQueued = true;
  requestAnimationFrame(() => {
    layOutQueued = false;
    layOut();
  });
});

restoreSettings(readSettings(location.hash));
restoring = false;
layOut();
if (log.count > 0) moveCursorTo(0, false);
else showCursorValues();

// What tests and the benchmark read of the page.
window.quilletPage = {
  view: () => ({ ...view }),
  whole: () => ({ ...whole }),
  cursor: () => cursor,
  cursorTime: () => (cursor < 0 ? null : log.times[cursor]),
  marked: () => strips.markedTimes?.length ?? 0,
  scatterScales: () => scatter && { x: { min: scatter.u.scales.x.min, max: scatter.u.scales.x.max }, y: { min: scatter.u.scales.y.min, max: scatter.u.scales.y.max } },
  stripScales: () => strips.shown().filter((strip) => strip.u)
    .map((strip) => ({ heading: strip.channel.heading, min: strip.u.scales.x.min, max: strip.u.scales.x.max })),
  // The labels each strip's value axis shows, and those of the time axis with where they stand
  // on its canvas, in CSS pixels.
  valueLabels: () => strips.shown().filter((strip) => strip.u)
    .map((strip) => ({ heading: strip.channel.heading, labels: strip.u.axes[1]._values ?? [] })),
  timeLabels() {
    const u = strips.axisChart;
    const context = u.ctx;
    context.save();
    context.font = u.axes[0].font[0];
    const labels = u.axes[0]._splits.map((time, i) => {
      const text = u.axes[0]._values[i];
      const middle = u.valToPos(time, "x") + u.bbox.left / uPlot.pxRatio;
      const width = context.measureText(text).width / uPlot.pxRatio;
      return { text, left: middle - width / 2, right: middle + width / 2 };
    });
    context.restore();
    return { labels, width: u.width };
  },
  // Milliseconds spent drawing every strip over start to end.
  timeView(start, end) {
    const begun = performance.now();
    setView(start, end);
    return performance.now() - begun;
  },
};
performance.mark("quillet-page-drawn");
document.documentElement.dataset.ready = "true";
