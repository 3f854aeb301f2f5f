// Compiled by types.test.js with tsc --strict: the declarations describe
// what the package returns, and a wrong use does not compile.
import { loadTovrin, TovrinError, type Citation, type Language } from '../index.js';

const tovrin = await loadTovrin({ config: null });
const cz: Language = tovrin.language('cz');
const found: Citation[] = cz.scan('Mt 5,3', { exact: false, sigla: 'PL' });
const first: number | null = found[0].units[0].start.chapter;
const refs: string[] | null = cz.osis('Mt 5,3', { versification: 'kjv' });
const order: -1 | 0 | 1 = cz.compare('Mt 5,3', 'Ž 23', 'cz').order;
const canonical: string = cz.expand('J 3,16n', { to: tovrin.language('en'), sort: true });
const why: string | null = cz.check('Mt 29,1', { existing: false });
try {
  cz.translate('Mt 5,7-3', 'en');
} catch (e) {
  if (e instanceof TovrinError && e.kind === 'citation') console.log(e.citation, e.message);
}
console.log(first, refs, order, canonical, why, cz.exists('Mt 5,3'), cz.books()[0].names, tovrin.memoryUse().allocated);
// @ts-expect-error: a citation is a string
cz.expand(5);
// @ts-expect-error: records have no byte offset
console.log(found[0].offset);
