// The npm package openrgb-sdk (protocol 5) against the program:
//   node openrgb_sdk.js PORT STATE_FILE DATABASE
"use strict";
const { Client } = require("openrgb-sdk");
const { fail, state, waitFor, keysOf, storedKeys } = require("./common.js");

const [port, stateFile, database] = process.argv.slice(2);

async function main() {
  const client = new Client("vantora check", Number(port), "127.0.0.1");
  await client.connect();
  if (client.protocolVersion !== 5) fail("protocol " + client.protocolVersion + ", not 5");
  if ((await client.getControllerCount()) !== 1) fail("not one controller");
  // Until the program's first load of the keyboard has ended the light
  // modes are not listed yet (the client is then told the list changed).
  let device = await client.getControllerData(0);
  for (let i = 0; i < 300 && device.modes.length <= 2; i++) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    device = await client.getControllerData(0);
  }
  if (device.type !== 5) fail("type " + device.type + ", not a keyboard");
  const zone = device.zones[0];
  if (!zone || !zone.matrix || zone.matrix.width < 10 || zone.matrix.height < 4)
    fail("no matrix zone: " + JSON.stringify(zone && zone.matrix));
  if (!device.leds.every((led) => led.name.startsWith("Key: "))) fail("LED names without \"Key: \"");
  if (device.modes[0].name !== "Direct" || device.modes[1].name !== "Custom") fail("Direct and Custom first");
  console.log(device.name + ": " + device.leds.length + " keys, " + device.modes.length + " modes, " +
              zone.matrix.width + "x" + zone.matrix.height);

  // Direct: every key red on the keyboard, nothing stored.
  client.updateLeds(0, device.colors.map(() => ({ red: 255, green: 0, blue: 0 })));
  await waitFor("the red frame", () => keysOf(state(stateFile).music_frame, "ff0000") > 50);
  if (storedKeys(database, 0x0000ff) !== 0) fail("a Direct frame was stored");

  // A light mode with a speed: the keyboard's settings block changes.
  const mode = device.modes.find((m, i) => i >= 2 && (m.flags & 1));
  const before = state(stateFile).settings;
  await client.updateMode(0, { ...mode, speed: mode.speed === 1 ? 3 : 1 });
  await waitFor("the settings block", () => state(stateFile).settings !== before);

  // Custom, saved: the database holds the map and the keyboard its colours.
  client.updateLeds(0, device.colors.map(() => ({ red: 0, green: 255, blue: 0 })));
  await client.saveMode(0, "Custom");
  await waitFor("the stored map", () => storedKeys(database, 0x00ff00) > 50);
  await waitFor("the keyboard's per-key table", () => keysOf(state(stateFile).key_colours, "00ff00") > 50);
  const again = await client.getControllerData(0);
  if (again.modes[again.activeMode].name !== "Custom") fail("Custom is not the active mode");
  client.disconnect();
  console.log("openrgb-sdk: all checks passed");
}

main().catch((error) => fail(String(error && error.stack || error)));
