// The npm package openrgb (protocol 0) against the program:
//   node openrgb.js PORT STATE_FILE
"use strict";
const { OpenRGBClient } = require("openrgb");
const { fail, state, waitFor, keysOf } = require("./common.js");

const [port, stateFile] = process.argv.slice(2);

async function main() {
  const client = new OpenRGBClient({ host: "127.0.0.1", port: Number(port), name: "vantora check" });
  await client.connect();
  if ((await client.getControllerCount()) !== 1) fail("not one controller");
  let device = await client.getDeviceController(0);
  for (let i = 0; i < 300 && device.modes.length <= 2; i++) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    device = await client.getDeviceController(0);
  }
  if (device.type !== 5) fail("type " + device.type + ", not a keyboard");
  if (device.leds.length < 60 || !device.leds[0].name.startsWith("Key: ")) fail("no keys");
  if (device.modes.length < 3) fail("no light modes");
  console.log(device.name + ": " + device.leds.length + " keys, " + device.modes.length + " modes");
  await client.setCustomMode(0);
  await client.updateLeds(0, device.colors.map(() => ({ red: 0, green: 0, blue: 255 })));
  await waitFor("the blue frame", () => keysOf(state(stateFile).music_frame, "0000ff") > 50);
  await client.disconnect();
  console.log("openrgb: all checks passed");
}

main().catch((error) => fail(String(error && error.stack || error)));
