// Runs the converter off the page's thread, so that the page never freezes.
// Messages: {id, kind: "probe" | "convert", ...arguments} -> {id, result}.
importScripts("korvel-web.js");

const ready = createKorvel();

onmessage = async (event) => {
  const korvel = await ready;
  const { id, kind, bytes, name, japanese } = event.data;
  const data = new Uint8Array(bytes);
  let result;
  if (kind === "probe") {
    result = korvel.probe(data, name, japanese, event.data.peaks);
  } else {
    const s = event.data.settings;
    const started = performance.now();
    result = korvel.convert(data, name, japanese, s.title, s.copyright, s.rate, s.save, s.transfer, s.start, s.length);
    result.milliseconds = performance.now() - started;
  }
  const transfer = [result.peaks, result.mmf, result.preview].filter((a) => a).map((a) => a.buffer);
  postMessage({ id, result }, transfer);
};
