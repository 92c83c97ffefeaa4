// Validates .glb/.gltf files (a .gltf's files beside it read too) with the Khronos glTF validator (installed beside this file by
// scripts/setup-readers.sh) and says what each holds, as the validator read it.
//
// Usage: node validate.mjs FILE...
// Prints per file one line
//   FILE: E errors, W warnings, I infos; meshes M, primitives P, triangles T, materials N
// followed by every error and warning (code, message, JSON pointer). Infos are allowed and only
// counted. Exit code 0 when no file has an error or a warning, 1 otherwise, 2 when a file cannot be
// read or is not glTF at all.
import { readFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const validator = require('gltf-validator');

// The JSON chunk of a .glb (or the whole of a .gltf), for the counts the report does not give.
function gltfJson(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes.length >= 20 && view.getUint32(0, true) === 0x46546c67) {
    const length = view.getUint32(12, true);
    return JSON.parse(new TextDecoder().decode(bytes.subarray(20, 20 + length)));
  }
  return JSON.parse(new TextDecoder().decode(bytes));
}

let status = 0;
for (const file of process.argv.slice(2)) {
  let report, json;
  try {
    const bytes = new Uint8Array(await readFile(file));
    // A .gltf's buffers and images beside it are read from its folder.
    const externalResourceFunction = async (uri) =>
      new Uint8Array(await readFile(join(dirname(file), decodeURIComponent(uri))));
    report = await validator.validateBytes(bytes, { uri: file, maxIssues: 0, externalResourceFunction });
    try {
      json = gltfJson(bytes);
    } catch {
      json = null;  // the validator's report says what is wrong with it
    }
  } catch (e) {
    console.log(`${file}: not read: ${e}`);
    status = 2;
    continue;
  }
  const issues = report.issues;
  const list = (x) => (Array.isArray(x) ? x : []);
  const meshes = list(json?.meshes);
  const primitives = meshes.reduce((n, m) => n + list(m?.primitives).length, 0);
  const info = report.info ?? {};
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos; ` +
              `meshes ${meshes.length}, primitives ${primitives}, triangles ${info.totalTriangleCount ?? 0}, ` +
              `materials ${list(json?.materials).length}`);
  for (const m of issues.messages) {
    if (m.severity > 1) continue;  // 0 error, 1 warning, 2 info, 3 hint
    console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code}: ${m.message} (${m.pointer ?? ''})`);
  }
  if (issues.numErrors > 0 || issues.numWarnings > 0) status = Math.max(status, 1);
}
process.exit(status);
