// The log page's glue: the runs of the page's data and those added from other pages, their
// strips, the cursor that reads every channel of every run, zoom by dragging, buttons or keys,
// the filter, the alignment of the runs, computed channels, the table and the scatter views,
// and the settings kept in the address's fragment and in setup files. esbuild bundles it with
// the modules it imports into the page's one script.
import { ChannelError, channelLabel, checkedChannel } from "./channels.js";
import { offerDownload } from "./download.js";
import { ExpressionError, bindChannels, channelsOf, evaluateExpression, keptSamples, parseExpression } from "./expression.js";
import { lineSample, renderHeader, renderNotices, renderRanges } from "./header.js";
import {
  DataError, computedChannel, keptBeforeByTime, numberText, sampleTimeText, secondsText, spanText, valueText,
} from "./log_data.js";
import {
  MOST_RUNS, clampedView, firstKeptTime, makeRun, offsetText, pageTimeOf, placeRun, readPage, readShift, runsOfPageText,
  sampleAt, samplesInView, sharedHeadings, startOf, wholeSpan,
} from "./runs.js";
import { ScatterView } from "./scatter_view.js";
import { SetupError, checkedSettings, readSettings, readSetup, settingsText, setupText } from "./settings.js";
import { COLOURS, StripCharts } from "./strips.js";
import { TableView } from "./table_view.js";

const byId = (id) => document.getElementById(id);
const page = readPage(JSON.parse(byId("log-data").textContent));
const mark = page.decimalMark;
const { runs } = page;

// "1 sample", "2 samples".
const samplesText = (count) => `${count} sample${count === 1 ? "" : "s"}`;

// ----- Channels: those every run holds, then the computed ones -----

// Each channel the page shows: its heading, its definition if computed, its strip and check box.
const channels = [];
// The computed channels' definitions, in order: each may read the channels before it.
const definitions = [];
const channelChoice = byId("channel-choice");
const addChannelButton = byId("add-channel");

// A run's channel of that heading among those the page shows, or null.
page.channelIn = (run, heading) => {
  if (!channels.some((entry) => entry.heading === heading)) return null;
  return run.log.channels.find((channel) => channel.heading === heading) ?? run.computed.find((channel) => channel.heading === heading) ?? null;
};

const entryOf = (heading) => channels.find((entry) => entry.heading === heading);
const valued = () => channels.filter((entry) => entry.numbers);
const labelOf = (heading) => {
  const entry = entryOf(heading);
  return entry ? channelLabel({ heading, computed: entry.definition !== null }) : heading;
};

function addChannel(heading, definition = null) {
  const channel = [...runs[0].log.channels, ...runs[0].computed].find((candidate) => candidate.heading === heading);
  const colour = COLOURS[channels.length % COLOURS.length];
  const possible = channel.texts && channel.numbers ? [Math.min(...channel.numbers), Math.max(...channel.numbers)] : null;
  const entry = { heading, definition, numbers: channel.numbers !== null, colour };
  channels.push(entry);
  entry.strip = strips.add({ heading, label: labelOf(heading), decimals: channel.decimals, numbers: channel.numbers, possible }, colour);
  const label = document.createElement("label");
  const box = document.createElement("input");
  box.type = "checkbox";
  box.checked = true;
  box.dataset.channel = entry.strip.element.dataset.channel;
  box.addEventListener("change", () => {
    entry.strip.element.hidden = !box.checked;
    layOut();
  });
  const swatch = document.createElement("span");
  swatch.className = "swatch";
  swatch.style.background = colour;
  const name = document.createElement("span");
  name.className = "channel-name";
  label.append(box, swatch, name);
  entry.label = label;
  entry.name = name;
  if (definition) {
    for (const [text, act, className] of [["\u270e", () => editChannel(entry), "edit"], ["\u00d7", () => removeChannel(entry), "remove"]]) {
      const button = document.createElement("button");
      button.type = "button";
      button.className = className;
      button.textContent = text;
      button.addEventListener("click", act);
      label.append(button);
    }
  }
  nameEntry(entry);
  channelChoice.insertBefore(label, addChannelButton);
  return entry;
}

function nameEntry(entry) {
  const label = labelOf(entry.heading);
  entry.name.textContent = label;
  entry.strip.element.querySelector(".heading").textContent = label;
  entry.strip.heading = entry.heading;
  for (const button of entry.label.querySelectorAll("button")) {
    const action = button.className === "edit" ? "Edit" : "Remove";
    button.title = `${action} ${entry.heading}`;
    button.setAttribute("aria-label", `${action} ${entry.heading}`);
  }
}

function dropChannel(entry) {
  channels.splice(channels.indexOf(entry), 1);
  strips.remove(entry.strip);
  entry.label.remove();
}

// The channel an expression names by its heading in a run, or why there is none.
function channelNamed(run, heading, before = definitions.length) {
  const entry = entryOf(heading);
  const computedAt = definitions.findIndex((definition) => definition.heading === heading);
  if (!entry || computedAt >= before) return `no channel is headed "${heading}"`;
  if (!entry.numbers) return `${heading} has no values: the channel table does not know it`;
  return page.channelIn(run, heading);
}

// An expression's tree over a run's channels (those of computed channels before `before`); an
// ExpressionError says what is wrong.
function expressionTree(run, text, before) {
  return bindChannels(parseExpression(text), (heading) => channelNamed(run, heading, before));
}

// Why an expression cannot be read in every run (over the computed channels before `before`), or
// null where it can.
function mistakeIn(text, before = definitions.length) {
  try {
    for (const run of runs) expressionTree(run, text, before);
    return null;
  } catch (error) {
    if (error instanceof ExpressionError) return error.message;
    throw error;
  }
}

// Works out the computed channels from the index'th on, in every run.
function computeChannels(from) {
  for (const run of runs) {
    run.computed.length = from;
    definitions.slice(from).forEach(({ heading, decimals, expression }, index) => {
      const tree = expressionTree(run, expression, from + index);
      const channel = computedChannel(run.log, heading, decimals, evaluateExpression(tree, run.log.count));
      channel.computed = true;
      run.computed.push(channel);
    });
  }
}

// ----- The runs' strips, the cursor and the view -----

let whole = wholeSpan(runs);
let view = { ...whole };
// The cursor's run (its index) and its sample there, in file order; or null.
let cursor = null;

const cursorTime = byId("cursor-time");
const cursorSample = byId("cursor-sample");
const strips = new StripCharts(page, view, byId("strips"), byId("cursor"), {
  point: (time) => moveCursorTo(nearestAt(time), false),
  zoom: (start, end) => setView(start, end),
  whole: () => showWholeLog(),
});

// Of every run's sample nearest to a time, the nearest, the reference's where two are as near.
function nearestAt(time) {
  let best = null;
  runs.forEach((run, index) => {
    const sample = sampleAt(run, time);
    if (sample < 0) return;
    const distance = Math.abs(pageTimeOf(run, sample) - time);
    if (!best || distance < best.distance) best = { run: index, sample, distance };
  });
  return best && { run: best.run, sample: best.sample };
}

const cursorTimeOnPage = () => (cursor ? pageTimeOf(runs[cursor.run], cursor.sample) : null);

// What each run reads at the cursor: the cursor's run its sample, the others theirs nearest to its
// time.
function samplesAtCursor() {
  const time = cursorTimeOnPage();
  return runs.map((run, index) => (index === cursor.run ? cursor.sample : sampleAt(run, time)));
}

function showCursorValues() {
  if (!cursor) {
    cursorTime.textContent = "-";
    cursorSample.textContent = runs.every((run) => run.log.count === 0) ? "(the log holds no samples)" : "";
    for (const { strip } of channels) strip.value.textContent = "";
    return;
  }
  const samples = samplesAtCursor();
  const timeText = (run, sample) => sampleTimeText(run.log.seconds[sample], run.log.hundredths[sample], mark);
  if (runs.length === 1) {
    const [run] = runs;
    cursorTime.textContent = timeText(run, cursor.sample);
    cursorSample.textContent = `sample ${cursor.sample + 1} of ${run.log.count}`;
    for (const { heading, strip } of channels) strip.value.textContent = valueText(page.channelIn(run, heading), cursor.sample, mark);
    return;
  }
  cursorTime.textContent = spanText(cursorTimeOnPage(), mark).replace(/^\+/, "");
  cursorSample.textContent = runs.map((run, index) => (samples[index] < 0 ? `${index + 1}: none`
    : `${index + 1}: ${timeText(run, samples[index])}, sample ${samples[index] + 1} of ${run.log.count}`)).join(" \u00b7 ");
  for (const { heading, strip } of channels) {
    const values = runs.map((run, index) => {
      const channel = page.channelIn(run, heading);
      return samples[index] < 0 || !channel ? { text: "", number: NaN } : {
        text: valueText(channel, samples[index], mark),
        number: channel.numbers ? channel.numbers[channel.keys[samples[index]]] : NaN,
      };
    });
    const parts = values.map(({ text }, index) => {
      const part = document.createElement("span");
      part.className = "run-value";
      part.append(lineSample(document, index, strip.colour), text.trim());
      return part;
    });
    if (runs.length === 2) {
      const difference = values[1].number - values[0].number;
      const part = document.createElement("span");
      part.className = "run-value difference";
      const text = numberText(difference, strip.decimals, mark);
      part.textContent = text === "" ? "\u0394" : `\u0394 ${difference > 0 ? "+" : ""}${text}`;
      parts.push(part);
    }
    strip.value.replaceChildren(...parts);
  }
}

// Moves the cursor to a run's sample; from the keys, the view follows it when it leaves the view.
function moveCursorTo(target, follow) {
  if (!target || target.sample < 0 || target.sample >= runs[target.run].log.count) return;
  cursor = target;
  showCursorValues();
  const time = cursorTimeOnPage();
  if (follow && (time < view.start || time > view.end)) {
    const span = view.end - view.start;
    setView(time - span / 2, time + span / 2);
  } else {
    strips.placeCursor(time);
    scatterView.placeCursor(cursor);
  }
}

function setView(start, end) {
  view = clampedView(start, end, whole);
  strips.draw(view, cursorTimeOnPage());
  showView();
}

// Zooms by factor, keeping the cursor where it is on the screen when it is in the view.
function zoomBy(factor) {
  const time = cursorTimeOnPage();
  const centre = time !== null && time >= view.start && time <= view.end ? time : (view.start + view.end) / 2;
  setView(centre - (centre - view.start) * factor, centre + (view.end - centre) * factor);
}

function showWholeLog() {
  setView(whole.start, whole.end);
}

// Steps the cursor by samples of its run in file order; a cursor outside the view comes back in
// at the edge it steps from.
function stepCursor(samples) {
  if (!cursor) return;
  const run = runs[cursor.run];
  const time = cursorTimeOnPage();
  if (time < view.start || time > view.end) {
    const inView = samplesInView(run, view);
    if (inView) {
      const index = samples > 0 ? inView[0] : inView[1];
      moveCursorTo({ run: cursor.run, sample: run.log.timeOrder ? run.log.timeOrder[index] : index }, false);
      return;
    }
  }
  moveCursorTo({ run: cursor.run, sample: Math.min(Math.max(cursor.sample + samples, 0), run.log.count - 1) }, true);
}

byId("whole-log").addEventListener("click", showWholeLog);
byId("zoom-in").addEventListener("click", () => zoomBy(0.5));
byId("zoom-out").addEventListener("click", () => zoomBy(2));

function layOut() {
  strips.layOut(byId("keys").offsetHeight);
  if (shown === "scatter") scatterView.layOut();
}

// The samples the views show of the runs, by time: from the first within the view to the last.
function samplesShownText(runIndexes) {
  const zoomed = view.start > whole.start || view.end < whole.end;
  const parts = runIndexes.map((index) => {
    const run = runs[index];
    const inView = samplesInView(run, view);
    const of = runs.length > 1 ? ` of ${run.name}` : "";
    if (!inView) {
      if (run.log.count === 0) return runs.length > 1 ? `${run.name} holds no samples` : "the log holds no samples";
      return `the strips' view holds no samples${of}`;
    }
    const timeOf = (at) => {
      const sample = run.log.timeOrder ? run.log.timeOrder[at] : at;
      return sampleTimeText(run.log.seconds[sample], run.log.hundredths[sample], mark);
    };
    const count = inView[1] - inView[0] + 1;
    const kept = run.keptBefore ? `, ${run.keptBefore[inView[1] + 1] - run.keptBefore[inView[0]]} of them kept by the filter` : "";
    const where = zoomed ? `from ${timeOf(inView[0])} to ${timeOf(inView[1])}${of}, as the strips are zoomed`
      : `the whole ${runs.length > 1 ? "run" : "log"}${of}`;
    return `${where}: ${samplesText(count)}${kept}`;
  });
  const text = parts.join("; ");
  return `${text[0].toUpperCase()}${text.slice(1)}.`;
}

// ----- The runs: their legend, shifts and alignment -----

const runsElement = byId("runs");
const alignBox = byId("align");
const alignError = byId("align-error");
const alignStatus = byId("align-status");
// The last valid alignment: its text ("" for each run's start).
const alignment = { box: alignBox, text: "", label: "the alignment" };
// Notes about the runs and settings, shown with the runs' own.
const pageNotes = [];

function renderRunsLegend() {
  runsElement.hidden = runs.length < 2;
  const { unshared } = sharedHeadings(runs);
  byId("runs-legend").replaceChildren(...runs.map((run, index) => {
    const entry = document.createElement("div");
    entry.className = "run-entry";
    const name = document.createElement("span");
    name.className = "run-name";
    name.append(`${index + 1} `, lineSample(document, index), run.name);
    entry.append(name);
    if (index > 0) {
      const offset = document.createElement("output");
      offset.className = "run-offset";
      offset.textContent = offsetText(runs, run, mark);
      offset.title = `Where ${run.name} stands against ${runs[0].name}`;
      const label = document.createElement("label");
      const box = document.createElement("input");
      box.type = "text";
      box.className = "run-shift";
      box.size = 6;
      box.value = secondsText(run.shift, mark);
      box.setAttribute("aria-label", `Shift ${run.name} by`);
      box.addEventListener("change", () => shiftRun(run, box));
      label.append("Shift by ", box, " s");
      entry.append(offset, label);
    }
    if (unshared[index].length > 0) {
      const only = document.createElement("span");
      only.className = "run-only";
      only.textContent = `only here, not compared: ${unshared[index].join(", ")}`;
      entry.append(only);
    }
    return entry;
  }));
}

function shiftRun(run, box) {
  try {
    placeRun(run, run.base, readShift(box.value, mark));
  } catch (error) {
    if (!(error instanceof RangeError)) throw error;
    alignError.textContent = `${error.message}. ${run.name} keeps its shift.`;
    return;
  }
  alignError.textContent = "";
  placeRuns();
  saveSettings();
}

// Places every run on the page's time axis: one run at its CSV's times; several each from its
// start, or from the first sample where the alignment holds; each then shifted by hand.
function placeRuns() {
  const notes = [];
  for (const run of runs) {
    if (runs.length === 1) {
      placeRun(run, 0, 0);
      continue;
    }
    let base = startOf(run);
    if (alignment.text) {
      const held = firstKeptTime(run, keptSamples(expressionTree(run, alignment.text), run.log.count).kept);
      if (held === null) notes.push(`${alignment.text} never holds in ${run.name}, which keeps its start.`);
      else base = held;
    }
    placeRun(run, base);
  }
  alignStatus.textContent = notes.join(" ");
  whole = wholeSpan(runs);
  renderRunsLegend();
  view = { ...whole };
  strips.draw(view, cursorTimeOnPage());
  showCursorValues();
  showView();
}

function applyAlignment(text) {
  const mistake = text.trim() === "" ? null : mistakeIn(text);
  if (mistake) {
    alignError.textContent = `${mistake}. The runs keep ${alignment.text ? `the alignment ${alignment.text}` : "their starts"}.`;
    return false;
  }
  alignError.textContent = "";
  alignment.text = text.trim();
  placeRuns();
  return true;
}

byId("align-form").addEventListener("submit", (event) => event.preventDefault());
alignBox.addEventListener("change", () => {
  if (applyAlignment(alignBox.value)) saveSettings();
});

// Adds the runs of other pages' files, as many as the page takes.
async function addRuns(files) {
  const said = [];
  for (const file of files) {
    try {
      for (const data of runsOfPageText(await file.text())) {
        if (runs.length >= MOST_RUNS) {
          said.push(`A page compares at most ${MOST_RUNS} runs: ${data.name} is left out.`);
          continue;
        }
        runs.push(makeRun(data, mark));
      }
    } catch (error) {
      if (!(error instanceof DataError)) throw error;
      said.push(`${file.name} cannot be added: ${error.message}.`);
    }
  }
  byId("page-status").textContent = said.join(" ");
  refreshRuns();
  saveSettings();
}

// After runs come: the channels they share, every computed channel and the filter worked out in
// each, the alignment, and the charts made again for the lines of every run.
function refreshRuns() {
  const { shared } = sharedHeadings(runs);
  for (const entry of [...channels]) {
    if (!entry.definition && !shared.includes(entry.heading)) dropChannel(entry);
  }
  // What reads a channel that is gone is left out with its note, and so is all that reads it.
  const unreadable = definitions.findIndex((definition, index) => mistakeIn(definition.expression, index) !== null);
  if (unreadable >= 0) {
    leaveOut(`the computed channel ${definitions[unreadable].heading}`, mistakeIn(definitions[unreadable].expression, unreadable));
    for (const entry of channels.filter((candidate) => definitions.indexOf(candidate.definition) >= unreadable)) dropChannel(entry);
    definitions.length = unreadable;
  }
  for (const setting of [filter, alignment, ...tableView.expressions()]) {
    const wrong = setting.text && mistakeIn(setting.text);
    if (!wrong) continue;
    leaveOut(setting.label, wrong);
    setting.text = "";
    setting.box.value = "";
  }
  computeChannels(0);
  strips.remake();
  applyFilter(filter.text);
  applyAlignment(alignment.text);
  renderHeader(document, runs);
  renderNotices(document, runs, pageNotes);
  renderRanges(document, runs);
  tableView.setRuns();
  scatterView.setRuns();
  fillChannelChoices();
  layOut();
  moveCursorTo(cursor ?? nearestAt(view.start), false);
}

byId("add-run").addEventListener("click", () => byId("run-files").click());
byId("run-files").addEventListener("change", async (event) => {
  const files = [...event.target.files];
  event.target.value = "";
  await addRuns(files);
});

// ----- The filter -----

const filterBox = byId("filter");
const filterError = byId("filter-error");
const filterStatus = byId("filter-status");
// The last valid filter's text.
const filter = { box: filterBox, text: "", label: "the filter" };

// Applies the filter's text to every run; a mistake is shown under the box and the views keep the
// last valid filter. Returns whether it took the text.
function applyFilter(text) {
  let trees = null;
  if (text.trim() !== "") {
    try {
      trees = runs.map((run) => expressionTree(run, text));
    } catch (error) {
      if (!(error instanceof ExpressionError)) throw error;
      filterError.textContent = `${error.message}. The views keep ${filter.text ? `the filter ${filter.text}` : "every sample"}.`;
      return false;
    }
  }
  filterError.textContent = "";
  runs.forEach((run, index) => {
    const { kept, total } = trees ? keptSamples(trees[index], run.log.count) : { kept: null, total: run.log.count };
    run.kept = kept;
    run.keptTotal = total;
    run.keptBefore = kept && keptBeforeByTime(run.log, kept);
  });
  filter.text = trees ? text.trim() : "";
  filterStatus.textContent = trees ? runs.map((run) => `keeps ${run.keptTotal} of ${samplesText(run.log.count)}` +
    (runs.length > 1 ? ` of ${run.name}` : "")).join(", ") : "";
  strips.setKept();
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
const channelSubmit = byId("channel-submit");
// The computed channel the form changes, or null when it adds one.
let editing = null;

// What reads a channel: a computed channel, the filter, the alignment or the table's correction;
// or null.
function readerOf(heading) {
  const reads = (text, run = runs[0]) => {
    try {
      return channelsOf(expressionTree(run, text)).includes(page.channelIn(run, heading));
    } catch (error) {
      if (error instanceof ExpressionError) return false;
      throw error;
    }
  };
  const reader = definitions.find((definition) => definition.heading !== heading && reads(definition.expression));
  if (reader) return reader.heading;
  return [filter, alignment, ...tableView.expressions()].find((setting) => setting.text && reads(setting.text))?.label ?? null;
}

// Adds a computed channel, or changes the one `editing` names; a ChannelError or an
// ExpressionError says why it cannot.
function defineChannel(raw, changed = null) {
  const at = changed ? definitions.indexOf(changed) : definitions.length;
  const taken = channels.map((entry) => entry.heading).filter((heading) => heading !== changed?.heading);
  const definition = checkedChannel(raw, taken);
  runs.forEach((run) => expressionTree(run, definition.expression, at));
  if (changed && definition.heading !== changed.heading) {
    const reader = readerOf(changed.heading);
    if (reader) throw new ChannelError(`${reader} reads ${changed.heading}: change it first.`);
  }
  if (!changed) {
    definitions.push(definition);
    computeChannels(at);
    addChannel(definition.heading, definition);
    return;
  }
  const entry = channels.find((candidate) => candidate.definition === changed);
  Object.assign(changed, definition);
  entry.heading = definition.heading;
  entry.strip.decimals = definition.decimals;
  nameEntry(entry);
  computeChannels(at);
  applyFilter(filter.text);
  applyAlignment(alignment.text);
}

function removeChannel(entry) {
  const reader = readerOf(entry.heading);
  if (reader) {
    channelError.textContent = `${reader} reads ${entry.heading}: change it first.`;
    channelForm.hidden = false;
    return;
  }
  const at = definitions.indexOf(entry.definition);
  definitions.splice(at, 1);
  dropChannel(entry);
  computeChannels(at);
  channelsChanged();
}

function editChannel(entry) {
  editing = entry.definition;
  byId("channel-name").value = entry.definition.heading;
  byId("channel-expression").value = entry.definition.expression;
  byId("channel-decimals").value = String(entry.definition.decimals);
  channelSubmit.textContent = "Change";
  openChannelForm(true);
}

// The form, emptied to add a channel.
function resetChannelForm() {
  editing = null;
  channelSubmit.textContent = "Add";
  channelForm.reset();
  channelError.textContent = "";
}

function openChannelForm(open) {
  channelForm.hidden = !open;
  addChannelButton.setAttribute("aria-expanded", String(open));
  if (open) byId("channel-name").focus();
  else resetChannelForm();
  layOut();
}

function channelsChanged() {
  fillChannelChoices();
  layOut();
  showCursorValues();
  showView();
  saveSettings();
}

addChannelButton.addEventListener("click", () => openChannelForm(channelForm.hidden));
byId("channel-cancel").addEventListener("click", () => openChannelForm(false));
channelForm.addEventListener("submit", (event) => {
  event.preventDefault();
  try {
    defineChannel({
      heading: byId("channel-name").value, decimals: Number(byId("channel-decimals").value), expression: byId("channel-expression").value,
    }, editing);
  } catch (error) {
    if (!(error instanceof ExpressionError || error instanceof ChannelError)) throw error;
    channelError.textContent = error.message;
    return;
  }
  resetChannelForm();
  channelsChanged();
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
  if (shown === "table") tableView.show();
  else if (shown === "scatter") scatterView.show();
}

// The channel selects of both views, each keeping its choice where the channel is still there;
// computed channels say so.
const selects = ["table-x", "table-y", "table-values", "scatter-x", "scatter-y", "scatter-colour"].map(byId);

function fillChannelChoices() {
  for (const select of selects) {
    const chosen = select.value;
    const none = select.id === "scatter-colour" ? [new Option("none", "")] : [];
    select.replaceChildren(...none, ...valued().map((entry) => new Option(labelOf(entry.heading), entry.heading)));
    if ([...select.options].some((option) => option.value === chosen)) select.value = chosen;
  }
}

// What the views share of the page.
const context = {
  page, runs, mark, byId, labelOf, samplesText, samplesShownText,
  view: () => view,
  cursor: () => cursor,
  expressionTree: (run, text) => expressionTree(run, text),
  mistakeIn: (text) => mistakeIn(text),
  moveCursorTo,
  strips,
  saveSettings: () => saveSettings(),
  channels: () => valued().map((entry) => entry.heading),
};
const tableView = new TableView(context);
const scatterView = new ScatterView(context);

// ----- Settings in the fragment and in setup files -----

let restoring = true;

function currentSettings() {
  return {
    view: shown,
    ...tableView.settings(),
    ...scatterView.settings(),
    filter: filter.text || null,
    align: alignment.text || null,
    shifts: runs.length > 1 ? runs.map((run) => secondsText(run.shift, mark)) : null,
    channels: definitions.map(({ heading, decimals, expression }) => ({ heading, decimals, expression })),
  };
}

function saveSettings() {
  if (restoring) return;
  history.replaceState(null, "", `#${settingsText(currentSettings())}`);
}

// Notes what is left out of the page and why, from the source that set it, if any.
function leaveOut(label, reason, source = null) {
  pageNotes.push({ kind: "warning", text: `${source ? `From ${source}, left` : "Left"} out: ${label}. ${reason}${/[.!?]$/.test(reason) ? "" : "."}` });
}

// Applies settings from outside the page (its address, a setup) in place of its own, after the
// checks that typed ones pass; what fails them is left out with a note naming `source`.
function applySettings(raw, source) {
  const { settings, notes } = checkedSettings(raw, {
    headings: valued().filter((entry) => !entry.definition).map((entry) => entry.heading),
    unvalued: channels.filter((entry) => !entry.numbers).map((entry) => entry.heading),
    decimalMark: mark, separator: page.separator, runs: runs.length,
  });
  pageNotes.length = 0;
  for (const { label, reason } of notes) leaveOut(label, reason, source);
  applyFilter("");
  applyAlignment("");
  for (const entry of channels.filter((candidate) => candidate.definition)) dropChannel(entry);
  definitions.length = 0;
  for (const definition of settings.channels) {
    definitions.push(definition);
    computeChannels(definitions.length - 1);
    addChannel(definition.heading, definition);
  }
  fillChannelChoices();
  tableView.restore(settings);
  scatterView.restore(settings);
  filterBox.value = settings.filter ?? "";
  applyFilter(filterBox.value);
  (settings.shifts ?? []).forEach((text, index) => {
    if (index > 0 && index < runs.length) runs[index].shift = readShift(text, mark);
  });
  alignBox.value = settings.align ?? "";
  applyAlignment(alignBox.value);
  renderNotices(document, runs, pageNotes);
  showTab(settings.view ?? "strips");
}

byId("save-setup").addEventListener("click", () => {
  const name = offerDownload(`${runs[0].name.replace(/\.pdb$/i, "")} setup.txt`, setupText(currentSettings(), mark), "text/plain");
  byId("page-status").textContent = `The setup is saved as ${name}.`;
});

byId("load-setup").addEventListener("click", () => byId("setup-file").click());
byId("setup-file").addEventListener("change", async (event) => {
  const [file] = event.target.files;
  event.target.value = "";
  if (!file) return;
  try {
    applySettings(readSetup(await file.text(), mark), `the setup ${file.name}`);
  } catch (error) {
    if (!(error instanceof SetupError)) throw error;
    byId("page-status").textContent = `${file.name} cannot be loaded: ${error.message}.`;
    return;
  }
  byId("page-status").textContent = `The setup ${file.name} is applied.`;
  layOut();
  saveSettings();
});

// ----- Keys -----

const KEYS = {
  ArrowLeft: (event) => stepCursor(event.shiftKey ? -10 : -1),
  ArrowRight: (event) => stepCursor(event.shiftKey ? 10 : 1),
  Home: () => cursor && moveCursorTo({ run: cursor.run, sample: 0 }, true),
  End: () => cursor && moveCursorTo({ run: cursor.run, sample: runs[cursor.run].log.count - 1 }, true),
  "+": () => zoomBy(0.5),
  "=": () => zoomBy(0.5),
  "-": () => zoomBy(2),
  Escape: showWholeLog,
  n: () => tableView.stepInCell(1),
  N: () => tableView.stepInCell(-1),
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

// ----- The page opens -----

for (const heading of sharedHeadings(runs).shared) addChannel(heading);
renderHeader(document, runs);
renderRanges(document, runs);
renderRunsLegend();
tableView.setRuns();
scatterView.setRuns();
fillChannelChoices();
tableView.chooseDefaults();
scatterView.chooseDefaults();
const fromAddress = location.hash.replace(/^#/, "") !== "";
if (fromAddress || page.setup !== null) {
  let raw;
  let source = "the page's address";
  if (fromAddress) {
    raw = readSettings(location.hash);
  } else {
    source = "the page's setup";
    try {
      raw = readSetup(page.setup, mark);
    } catch (error) {
      if (!(error instanceof SetupError)) throw error;
      raw = { channels: [] };
      leaveOut("the page's setup", `${error.message[0].toUpperCase()}${error.message.slice(1)}`);
    }
  }
  applySettings(raw, source);
} else {
  placeRuns();
  renderNotices(document, runs, pageNotes);
  showTab("strips");
}
restoring = false;
const firstWithSamples = runs.findIndex((run) => run.log.count > 0);
if (firstWithSamples >= 0) moveCursorTo({ run: firstWithSamples, sample: 0 }, false);
else showCursorValues();

// What tests and the benchmark read of the page.
window.quilletPage = {
  view: () => ({ ...view }),
  whole: () => ({ ...whole }),
  cursor: () => (cursor ? cursor.sample : -1),
  cursorRun: () => (cursor ? cursor.run : -1),
  cursorTime: cursorTimeOnPage,
  runs: () => runs.map((run) => ({ name: run.name, offset: run.offset, count: run.log.count })),
  marked: () => strips.markedTimes?.length ?? 0,
  scatterScales: () => scatterView.scales(),
  scatterLabels: () => scatterView.labels(),
  stripScales: () => strips.shown().filter((strip) => strip.u)
    .map((strip) => ({ heading: strip.heading, min: strip.u.scales.x.min, max: strip.u.scales.x.max })),
  // The labels each strip's value axis shows, and those of the time axis with where they stand
  // on its canvas, in CSS pixels.
  valueLabels: () => strips.shown().filter((strip) => strip.u)
    .map((strip) => ({ heading: strip.heading, labels: strip.u.axes[1]._values ?? [], width: strip.u.axes[1]._size })),
  timeLabels() {
    const u = strips.axisChart;
    const context2d = u.ctx;
    context2d.save();
    context2d.font = u.axes[0].font[0];
    const labels = u.axes[0]._splits.map((time, i) => {
      const text = u.axes[0]._values[i];
      const middle = u.valToPos(time, "x") + u.bbox.left / uPlot.pxRatio;
      const width = context2d.measureText(text).width / uPlot.pxRatio;
      return { text, left: middle - width / 2, right: middle + width / 2 };
    });
    context2d.restore();
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
