// Runs the converter off the page's thread, so that the page never freezes.
// Messages: {id, kind: "inspect" | "convert", ...arguments} -> {id, result}.
importScripts("korvel-web.js");

const ready = createKorvel();

onmessage = async (event) => {
  const korvel = await ready;
  const { id, kind, bytes, name, japanese } = event.data;
  const data = new Uint8Array(bytes);
  let result;
  if (kind === "inspect") {
    result = korvel.inspect(data, name, japanese, event.data.peaks);
  } else {
    const started = performance.now();
    result = korvel.convert(data, name, japanese, event.data.plan);
    result.milliseconds = performance.now() - started;
  }
  const transfer = [result.peaks, result.mmf, result.preview].filter((a) => a).map((a) => a.buffer);
  postMessage({ id, result }, transfer);
};
