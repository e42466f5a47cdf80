// Hands Node's environment to the program, so that LC_ALL, LC_MESSAGES and
// LANG choose the messages as they do for the native korvel-cli.
Module["preRun"] = (Module["preRun"] || []).concat([function () {
  if (typeof process === "object") Object.assign(ENV, process.env);
}]);
