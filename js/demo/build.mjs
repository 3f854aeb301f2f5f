// Writes js/demo/index.html: page.html with the package (index.js and the
// script with the wasm inside) in its own module script, so that the page
// works opened as a file, with no server (browsers load no module file
// from a file:// page).
//
// usage: node build.mjs        (after the wasm build, js/dist/tovrin_wasm.js)
import { readFileSync, writeFileSync } from 'node:fs';

const here = (name) => new URL(name, import.meta.url);
const read = (name) => readFileSync(here(name), 'utf8');

function replaced(text, pattern, by) {
  const out = text.replace(pattern, () => by);
  if (out === text) throw new Error(`demo/build.mjs: ${pattern} not found`);
  return out;
}

// The package's modules as one, in a scope of its own: the loader's export
// and the package's import of it go, the package's exports become plain
// declarations, and the page gets them as constants.
const loader = replaced(read('../dist/tovrin_wasm.js'), /\nexport default createTovrinModule;\s*$/, '\n');
const pkg = replaced(read('../index.js'), /^import createTovrinModule from .*\n/m, '').replace(/^export /gm, '');
const code = `const { loadTovrin, TovrinError } = (() => {\n${loader}\n${pkg}\nreturn { loadTovrin, TovrinError };\n})();`;
if (/<\/script/i.test(code)) throw new Error('demo/build.mjs: the package holds </script>');
writeFileSync(here('index.html'), replaced(read('page.html'), '/* the package */', code));
