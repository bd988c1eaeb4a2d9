// The grammar against the language's word and operator tables: each of the
// 31 reserved words is a keyword and nothing else is, letter case counts,
// the 19 class names a script may use are classes, and every operator the
// compiler reads is an operator. The snapshots in grammar/ show whole
// scripts; this file keeps the tables complete.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const KEYWORDS = [
  'if', 'then', 'else', 'while', 'for', 'do', 'int', 'event', 'state', 'command', 'function',
  'true', 'false', 'return', 'string', 'break', 'continue', 'assert', 'verify', 'enum',
  'consts', 'button', 'null', 'multi', 'description', 'hotkey', 'hidden', 'advanced',
  'priority', 'item', 'include',
];
const CLASSES = [
  'unit', 'unitex', 'platoon', 'campaign', 'mission', 'player', 'sapper', 'supplier', 'civil',
  'tank', 'repairer', 'builder', 'aircraft', 'civilaircraft', 'punit', 'transporter',
  'movingbuilding', 'saboteur', 'tutorial',
];
const OPERATORS = [
  '==', '<=', '>=', '!=', '&&', '||', '++', '--',
  '+', '-', '=', '/', '%', '*', '!', '<', '>', '&', '|', '~', '^',
];
const PUNCTUATION = ['(', ')', '[', ']', ';', ':', '.', ','];

async function loadGrammar() {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const file = path.join(__dirname, '..', 'syntaxes', 'orvel.tmLanguage.json');
  const registry = new vsctm.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (sources) => new oniguruma.OnigScanner(sources),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async () => vsctm.parseRawGrammar(fs.readFileSync(file, 'utf8'), file),
  });
  return registry.loadGrammar('source.orvel');
}

// The innermost scope of each token of `text`, read inside a state body.
async function scopesInBody(text) {
  const grammar = await loadGrammar();
  let stack = vsctm.INITIAL;
  for (const line of ['unit "T"', '{', '    state S', '    {']) {
    stack = grammar.tokenizeLine(line, stack).ruleStack;
  }
  return grammar.tokenizeLine(text, stack).tokens
    .filter((token) => text.slice(token.startIndex, token.endIndex).trim() !== '')
    .map((token) => [text.slice(token.startIndex, token.endIndex), token.scopes.at(-1)]);
}

function isKeywordScope(scope) {
  return /^(keyword|storage|constant\.language|variable\.language)\./.test(scope);
}

test('reserved words: all 31, exact case, whole words only', async () => {
  for (const keyword of KEYWORDS) {
    const [[word, scope]] = await scopesInBody(`${keyword} `);
    assert.ok(word === keyword && isKeywordScope(scope), `${keyword} is ${scope}`);
  }
  const lookalikes = KEYWORDS.map((k) => k[0].toUpperCase() + k.slice(1))
    .concat(KEYWORDS.map((k) => k.toUpperCase()), KEYWORDS.map((k) => `${k}_x`), KEYWORDS.map((k) => `${k}1`),
      ['class', 'switch', 'goto', 'new', 'float', 'void', 'case', 'struct', 'static', 'elif']);
  for (const [word, scope] of await scopesInBody(lookalikes.join(' '))) {
    assert.strictEqual(scope, 'variable.other.orvel', word);
  }
});

test('class names: the 19 nameable classes, exact case', async () => {
  for (const [word, scope] of await scopesInBody(CLASSES.join(' '))) {
    assert.strictEqual(scope, 'support.class.orvel', word);
  }
  for (const [word, scope] of await scopesInBody(CLASSES.map((c) => c.toUpperCase()).join(' ') + ' Unit units')) {
    assert.strictEqual(scope, 'variable.other.orvel', word);
  }
});

test('operators and punctuation: every one the compiler reads, taken whole', async () => {
  const tokens = await scopesInBody(OPERATORS.concat(PUNCTUATION).join(' '));
  assert.deepStrictEqual(tokens.map(([text]) => text), OPERATORS.concat(PUNCTUATION));
  for (const [text, scope] of tokens) {
    const expected = PUNCTUATION.includes(text) ? /^punctuation\./ : /^keyword\.operator\./;
    assert.match(scope, expected, text);
  }
  // The longest pair wins once; what follows starts a new operator.
  assert.deepStrictEqual((await scopesInBody('a=<b<<c+=1')).map(([text]) => text),
    ['a', '=', '<', 'b', '<', '<', 'c', '+', '=', '1']);
});
