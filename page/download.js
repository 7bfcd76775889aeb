// Text the page offers as a file to save: a setup, a table.

// Offers the text as a download under `name`, with what a file name cannot hold on any system
// made "-"; gives the name it is offered under.
export function offerDownload(name, text, type) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([text], { type }));
  link.download = name.replace(/[\\/:*?"<>|]/g, "-");
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  return link.download;
}
