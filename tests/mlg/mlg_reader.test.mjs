// The MLG files of quillet-convert --mlg, read by mlg-converter, an MLG reader this project did
// not write, and compared with the CSV the same run writes: every field's name and digits, and
// every record's time and values, for the sample logs, the damaged logs, a log whose clock
// misbehaves and logs that hold every raw byte of every channel.
import assert from "node:assert/strict";
import { existsSync, readdirSync, readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { basename, join, resolve } from "node:path";
import { after, describe, test } from "node:test";

import {
  cellTime, convert, csvHeadings, csvRows, makeLogs, scratchFolder, setting,
} from "../page/browser.mjs";

const { Parser } = createRequire(join(resolve(setting("QUILLET_MLG_NODE_MODULES")), "/"))(
  "mlg-converter");

const scratch = scratchFolder();
after(() => scratch.remove());
makeLogs("seeds", scratch.file("seeds"));
makeLogs("bytes", scratch.file("bytes"));
makeLogs("clock", scratch.file("UnsteadyClockQMRX.pdb"));

const logsIn = (folder, start = "") =>
  readdirSync(folder).filter((name) => name.startsWith(start)).sort().map((name) => join(folder, name));

function readMlg(file) {
  const bytes = readFileSync(file);
  return new Parser(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength)).parse();
}

// The number a value cell shows; an empty cell (a zero RPM, every cell of a channel the table
// does not know) is 0.
const cellNumber = (cell) => (cell.trim() === "" ? 0 : Number(cell));

const decimalsOf = (cell) => (cell.includes(".") ? cell.length - cell.indexOf(".") - 1 : 0);

// The reader's value is (stored + transform) × scale: it must show as the cell's number with the
// field's digits, and lie within a fiftieth of the last digit of it.
function expectValue(field, stored, number, where) {
  const value = (stored + field.transform) * field.scale;
  assert.equal(value.toFixed(field.digits), number.toFixed(field.digits), where);
  assert.ok(Math.abs(value - number) < 10 ** -field.digits / 50, `${where}: ${value} for ${number}`);
}

// A field's name is its column's heading, "channel N" for a channel the table does not know,
// with its count after it where a heading comes again.
function expectNames(fields, headings) {
  const names = fields.map((field) => field.name);
  assert.equal(new Set(names).size, names.length, `names repeat: ${names}`);
  headings.forEach((heading, column) => {
    if (heading === "") {
      assert.match(names[column], /^channel \d+( \(\d+\))?$/);
      return;
    }
    const before = headings.slice(0, column).filter((other) => other === heading).length;
    assert.equal(names[column], before === 0 ? heading : `${heading} (${before + 1})`);
  });
}

// Converts the log into its CSV and its MLG in one run, and compares them.
function expectMlgLikeCsv(log) {
  const name = basename(log, ".pdb");
  const csv = scratch.file(`${name}.csv`);
  const mlg = scratch.file(`${name}.mlg`);
  const run = convert("--mlg", mlg, log, csv);
  if (!existsSync(csv)) {
    assert.notEqual(run.status, 0);
    assert.equal(existsSync(mlg), false, "an MLG without its CSV");
    return;
  }
  const read = readMlg(mlg);
  const headings = csvHeadings(csv);
  const rows = csvRows(csv);
  assert.equal(read.fileFormat, "MLVLG");
  assert.equal(read.formatVersion, 1);
  assert.equal(read.info.split("\n")[0], `Log: ${name}.pdb`);
  assert.match(read.info.split("\n")[1], /^Converted by Quillet \d+\.\d+$/);
  expectNames(read.fields, headings);
  assert.deepEqual([read.fields[0].units, read.fields[0].digits], ["s", 3]);
  read.fields.slice(1).forEach((field, column) => {
    const shown = rows.map((row) => row[column + 1]).filter((cell) => cell.trim() !== "");
    for (const cell of shown) assert.equal(field.digits, decimalsOf(cell), `${field.name} "${cell}"`);
  });
  assert.equal(read.records.length, rows.length);
  rows.forEach((row, index) => {
    const record = read.records[index];
    const seconds = cellTime(row[0]) / 100;
    assert.equal(record.type, "field");
    expectValue(read.fields[0], record.Time, seconds, `row ${index + 1} "${row[0]}"`);
    assert.equal(record.timestamp, (Math.round(seconds * 1000) * 100) % 65536, `row ${index + 1}`);
    read.fields.slice(1).forEach((field, column) => {
      const cell = row[column + 1];
      expectValue(field, record[field.name], cellNumber(cell), `row ${index + 1} ${field.name} "${cell}"`);
    });
  });
}

describe("the MLG holds the CSV's columns and rows", () => {
  for (const log of logsIn(setting("QUILLET_SAMPLES"))) {
    test(`of the sample ${basename(log)}`, () => expectMlgLikeCsv(log));
  }
  for (const log of logsIn(scratch.file("bytes"))) {
    test(`of ${basename(log)}, every raw byte of its channels`, () => expectMlgLikeCsv(log));
  }
  test("of a log whose clock goes back and jumps ahead, in the CSV's order", () =>
    expectMlgLikeCsv(scratch.file("UnsteadyClockQMRX.pdb")));
  for (const log of logsIn(scratch.file("seeds"), "damaged-")) {
    test(`of the damaged log ${basename(log)}, up to the damage`, () => expectMlgLikeCsv(log));
  }
});
