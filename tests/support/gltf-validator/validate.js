// validate.js FILE.glb: runs the glTF validator on the file, prints its
// report as JSON and exits 1 when the report holds an error.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

const file = process.argv[2];
if (!file) {
  console.error('usage: node validate.js FILE.glb');
  process.exit(2);
}
validator
  .validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 100,
    // A binary file holds all it needs; anything it points outside of it is a fault.
    externalResourceFunction: (uri) => Promise.reject(new Error('outside reference ' + uri)),
  })
  .then((report) => {
    console.log(JSON.stringify(report, null, 2));
    process.exit(report.issues.numErrors === 0 ? 0 : 1);
  })
  .catch((failure) => {
    console.error('validate.js: ' + failure);
    process.exit(1);
  });
