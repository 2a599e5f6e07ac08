#!/usr/bin/env node
// Checks glTF files with the Khronos glTF Validator.
// Usage: validate-gltf.js --validator DIR [--allow CODE]... [--verbose] FILE...
//   --verbose also lists the validator's informational messages.
//   DIR is the npm prefix gltf-validator was installed into (DIR/node_modules/gltf-validator).
//   A file passes with no errors and no warnings other than the allowed codes.
// Exit: 0 every file passes, 1 a file has errors or warnings, 2 wrong usage or no validator.
'use strict';
const fs = require('fs');
const path = require('path');

function usage(message) {
  process.stderr.write(`validate-gltf: ${message}\n` +
    'usage: validate-gltf.js --validator DIR [--allow CODE]... FILE...\n');
  process.exit(2);
}

const args = process.argv.slice(2);
let validatorDir = null;
let verbose = false;
const allowed = new Set();
const files = [];
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--validator') validatorDir = args[++i];
  else if (args[i] === '--allow') allowed.add(args[++i]);
  else if (args[i] === '--verbose') verbose = true;
  else files.push(args[i]);
}
if (!validatorDir) usage('--validator DIR is required');
if (files.length === 0) usage('no files given');

let validator;
try {
  validator = require(path.join(path.resolve(validatorDir), 'node_modules', 'gltf-validator'));
} catch (e) {
  usage(`gltf-validator is not installed under ${validatorDir} (${e.message})`);
}

async function check(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const folder = path.dirname(file);
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 200,
    // Buffers and images are read beside the model, as a viewer would.
    externalResourceFunction: (uri) => new Promise((resolve, reject) => {
      fs.readFile(path.join(folder, decodeURIComponent(uri)), (err, data) => {
        if (err) reject(err.toString()); else resolve(new Uint8Array(data));
      });
    }),
  });
  const issues = report.issues;
  const shown = issues.messages.filter((m) => verbose || m.severity <= 1);
  const blocking = shown.filter((m) => m.severity <= 1).filter((m) => m.severity === 0 || !allowed.has(m.code));
  process.stdout.write(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
    `${issues.numInfos} infos\n`);
  for (const m of shown) {
    const kind = ['error', 'warning', 'info', 'hint'][m.severity] + (m.severity === 1 && allowed.has(m.code) ? ' (allowed)' : '');
    process.stdout.write(`  ${kind} ${m.code} at ${m.pointer || '/'}: ${m.message}\n`);
  }
  return blocking.length === 0;
}

(async () => {
  let ok = true;
  for (const file of files) {
    try {
      if (!(await check(file))) ok = false;
    } catch (e) {
      process.stdout.write(`${file}: cannot validate: ${e}\n`);
      ok = false;
    }
  }
  process.exit(ok ? 0 : 1);
})();
