// The page's channels by name: a computed channel's name cleaned and checked as the "Add channel"
// form does it, wherever the name comes from (the form, the address, a setup), the labels that
// mark computed channels, and the channels a view starts with. No DOM here, so that Node tests it.

const MOST_NAME_LENGTH = 40;
const MOST_DECIMALS = 6;
// A name must not read as a channel in an expression's brackets, or as one sample earlier.
const NOT_A_NAME = /[[\]]|-\s*\d+\s*$/;

// A computed channel that cannot be: its name or its decimals.
export class ChannelError extends Error {}

// A name as a person typed it without what they cannot see: Unicode's composed form, control
// and zero-width characters removed, spaces of any kind as one space, none at either end.
export function cleanName(text) {
  return text.normalize("NFC").replace(/[\p{Cc}\p{Cf}]/gu, "").replace(/\s+/gu, " ").trim();
}

// Letters of other scripts that print as Latin ones, by their small letters.
const LOOK_ALIKES = new Map(Object.entries({
  а: "a", в: "b", е: "e", ё: "e", к: "k", м: "m", н: "h", о: "o", р: "p", с: "c", т: "t",
  у: "y", х: "x", і: "i", ј: "j", ѕ: "s", ԁ: "d", һ: "h", ԛ: "q", ԝ: "w", α: "a", β: "b", ε: "e", ζ: "z",
  η: "h", ι: "i", κ: "k", μ: "m", ν: "n", ο: "o", ρ: "p", τ: "t", υ: "y", χ: "x",
}));

// What a name looks like: its compatibility form (full-width and styled letters as plain ones), in
// small letters, other scripts' look-alikes as the Latin letters they look like.
export function lookOf(name) {
  return [...cleanName(name).normalize("NFKC").toLowerCase()].map((letter) => LOOK_ALIKES.get(letter) ?? letter).join("");
}

// A computed channel's definition checked: its name cleaned, unlike every name in `taken` (the
// names of the channels the page has), decimals from 0 to MOST_DECIMALS. Throws a ChannelError that
// says what is wrong.
export function checkedChannel({ heading, decimals, expression }, taken) {
  const name = cleanName(heading);
  if (name === "" || NOT_A_NAME.test(name)) {
    throw new ChannelError("Give the channel a name without square brackets that does not end in a minus and a number.");
  }
  if ([...name].length > MOST_NAME_LENGTH) {
    throw new ChannelError(`Give the channel a name of at most ${MOST_NAME_LENGTH} characters.`);
  }
  if (taken.includes(name)) throw new ChannelError(`There is a channel headed ${name} already.`);
  const look = lookOf(name);
  const alike = taken.find((other) => lookOf(other) === look);
  if (alike !== undefined) throw new ChannelError(`${name} looks like the channel ${alike}: give it another name.`);
  if (!Number.isInteger(decimals) || decimals < 0 || decimals > MOST_DECIMALS) {
    throw new ChannelError(`Give the decimals as a whole number from 0 to ${MOST_DECIMALS}.`);
  }
  return { heading: name, decimals, expression: expression.trim() };
}

// How selects, legends and captions name a channel: a computed one says so.
export function channelLabel(channel) {
  return channel.computed ? `${channel.heading} (computed)` : channel.heading;
}

// The channels the views start with, of the headings of the channels with values: RPM across and
// the first of Airflow, Air Volume and TPS down, O2 or else Knock as the table's values, and
// where a log lacks one, the first channel not chosen yet.
export function defaultChoices(headings) {
  const firstOf = (wanted, taken) =>
    wanted.find((heading) => headings.includes(heading)) ?? headings.find((heading) => !taken.includes(heading)) ?? headings[0] ?? "";
  const x = firstOf(["RPM"], []);
  const y = firstOf(["Airflow", "Air Volume", "TPS"], [x]);
  return { x, y, values: firstOf(["O2", "Knock"], [x, y]) };
}
