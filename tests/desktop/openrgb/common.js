// What both client checks share: the simulated keyboard's state file and
// the program's database, read while a client drives the keyboard.
"use strict";
const fs = require("fs");
const { execFileSync } = require("child_process");

function fail(message) {
  console.error("FAILED: " + message);
  process.exit(1);
}

function state(stateFile) {
  return JSON.parse(fs.readFileSync(stateFile, "utf8"));
}

// Waits up to 10 s for `test` to hold.
async function waitFor(what, test) {
  for (let i = 0; i < 200; i++) {
    if (test()) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  fail("timed out waiting for " + what);
}

// Whether a per-key table (hex text, 3 bytes a key) holds `count` keys of `hex`.
function keysOf(table, hex) {
  let count = 0;
  for (let i = 0; i + 6 <= table.length; i += 6) {
    if (table.slice(i, i + 6) === hex) count++;
  }
  return count;
}

// Rows of the stored per-key map with colour 0x00BBGGRR `colour`.
function storedKeys(database, colour) {
  const out = execFileSync("sqlite3", [database,
    "SELECT COUNT(*) FROM t_key_light_data WHERE light_id = 0 AND key_rgb = " + colour + ";"]);
  return parseInt(out.toString().trim(), 10);
}

module.exports = { fail, state, waitFor, keysOf, storedKeys };
