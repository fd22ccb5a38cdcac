// Reads .feature files with the official Gherkin parser (@cucumber/gherkin)
// as Cucumber does, and prints what it made of them as JSON: per file the
// parse errors, the Feature's name, and per Scenario Outline its steps as
// written, the header of its Examples and the pickles (one per row) with
// their steps and tags as Cucumber would run them.
// Usage: node pickles.mjs NODE_MODULES FILE...
import { readFileSync } from 'node:fs'
import { join } from 'node:path'
import { pathToFileURL } from 'node:url'

const [modules, ...files] = process.argv.slice(2)
const gherkin = await import(pathToFileURL(join(modules, '@cucumber/gherkin/dist/index.js')).href)
const messages = await import(pathToFileURL(join(modules, '@cucumber/messages/dist/index.js')).href)

const out = []
for (const file of files) {
  const data = readFileSync(file, 'utf8')
  const newId = messages.IdGenerator.incrementing()
  const parser = new gherkin.Parser(new gherkin.AstBuilder(newId), new gherkin.GherkinClassicTokenMatcher())
  let document
  try {
    document = parser.parse(data)
  } catch (e) {
    out.push({ file, errors: [String(e.message)] })
    continue
  }
  const pickles = gherkin.compile(document, file, newId)
  const rows = new Map()
  const outlines = []
  const scenarios = []  // those without Examples: their steps as Cucumber runs them
  for (const child of document.feature.children) {
    const s = child.scenario
    if (!s) continue
    if (s.examples.length === 0) {
      scenarios.push({ name: s.name, tags: s.tags.map((t) => t.name), id: s.id, steps: [] })
      continue
    }
    const outline = { name: s.name, steps: s.steps.map((t) => t.text), header: [], pickles: [] }
    for (const ex of s.examples) {
      outline.header = ex.tableHeader ? ex.tableHeader.cells.map((c) => c.value) : []
      for (const row of ex.tableBody) rows.set(row.id, { outline, cells: row.cells.map((c) => c.value) })
    }
    outlines.push(outline)
  }
  for (const p of pickles) {
    const row = rows.get(p.astNodeIds[p.astNodeIds.length - 1])
    if (row) row.outline.pickles.push({ cells: row.cells, steps: p.steps.map((t) => t.text), tags: p.tags.map((t) => t.name) })
    const plain = scenarios.find((s) => s.id === p.astNodeIds[0])
    if (plain) plain.steps = p.steps.map((t) => t.text)
  }
  out.push({ file, errors: [], feature: document.feature.name, outlines, scenarios })
}
process.stdout.write(JSON.stringify(out))
