// Who writes which picture. One page writes a picture at a time: the page that has a picture
// open says so in `owners`, and every store checks in its own transaction that the page still
// has it. A page whose picture another page has taken over stops writing it (`lost()`).
//
// Whether an owner is still there is asked over the folder's BroadcastChannel: a page that does
// not answer within a moment has gone (crashed, killed for memory, frozen), and its pictures may
// be opened at once. Where there is no BroadcastChannel, a page renews its record every few
// seconds instead, and one not renewed for kGoneMs has gone. Neither needs Web Locks, so it holds
// on any origin.
//
// `database` is web/database.js's; `page` this page's id and `previousPage` the one this tab
// showed before a reload, which may not have let its picture go yet; `scope` names the folder;
// `holding()` is the id of the picture this page writes, or null; `lost()` is told when another
// page has taken it over.

const kBeatMs = 2000;
const kGoneMs = 10000; // without a BroadcastChannel, an owner not heard of for this long has gone
const kAnswerMs = 300; // with one, an owner that has not answered in this time has gone

export function pictureOwners({ database, page, previousPage, scope, holding, lost }) {
  const channel = self.BroadcastChannel ? new BroadcastChannel(`mirona ${scope}`) : null;
  const questions = new Map(); // asked, by question: the pages that answered, and what to tell
  channel?.addEventListener('message', ({ data }) => {
    if (data.taken !== undefined && data.taken === holding() && data.by !== page)
      lost();
    else if (data.ask)
      channel.postMessage({ answer: data.ask, page });
    else if (data.answer)
      questions.get(data.answer)?.(data.page);
  });

  // The pages of `owners` (records of the owners store) that are still there.
  async function alive(owners) {
    const others = new Set(owners.map((owner) => owner.page)
      .filter((other) => other && other !== page && other !== previousPage));
    if (!channel)
      return new Set(owners.filter((owner) => others.has(owner.page) && Date.now() - owner.beat < kGoneMs)
        .map((owner) => owner.page));
    const answered = new Set();
    if (others.size) {
      const question = `${page} ${Math.random()}`;
      await new Promise((resolve) => {
        const timer = setTimeout(resolve, kAnswerMs);
        questions.set(question, (other) => {
          answered.add(other);
          if ([...others].every((one) => answered.has(one))) {
            clearTimeout(timer);
            resolve();
          }
        });
        channel.postMessage({ ask: question });
      });
      questions.delete(question);
    }
    return answered;
  }

  // The owners' records, read in a transaction over `owners`; filled in once it completes.
  function readOwners(store) {
    const found = [];
    store('owners').getAll().onsuccess = (event) => found.push(...event.target.result);
    return found;
  }

  // The owners' records by picture, and the pages of them that are still there; from the records
  // where they were read already (readOwners).
  async function census(records) {
    const owners = records ?? (await database.transact('owners', 'readonly', (_, store) => readOwners(store)));
    return { owners: new Map(owners.map((owner) => [owner.id, owner])), living: await alive(owners) };
  }

  // The ids of the pictures another page has open, by a census.
  async function elsewhere(seen) {
    const { owners, living } = seen ?? (await census());
    return new Set([...owners.values()].filter((owner) => living.has(owner.page)).map((owner) => owner.id));
  }

  // Takes picture `id` for this page, unless another page has it (or `force`, taking it over:
  // that page then stops writing it), by a census taken now or the one `seen`. Resolves to
  // whether it did.
  async function claim(id, force = false, seen = null) {
    await database.ready();
    seen = force ? null : seen ?? (await census());
    const taken = await database.transact('owners', 'readwrite', (_, store) => {
      const owners = store('owners');
      const result = { taken: false };
      owners.get(id).onsuccess = (event) => {
        const owner = event.target.result;
        // An owner found gone must not have been replaced since.
        if (force || !owner || owner.page === page || owner.page === previousPage ||
            (seen.owners.get(id)?.page === owner.page && !seen.living.has(owner.page))) {
          owners.put({ id, page, beat: Date.now() });
          result.taken = true;
        }
      };
      return result;
    });
    if (taken.taken && force)
      channel?.postMessage({ taken: id, by: page });
    return taken.taken;
  }

  // Lets picture `id` go, where this page has it.
  async function letGo(id) {
    await database.transact('owners', 'readwrite', (_, store) => {
      const owners = store('owners');
      owners.get(id).onsuccess = (event) => event.target.result?.page === page && owners.delete(id);
    }).catch(() => {});
  }

  // In a store's transaction: marks picture `id` as this page's, or, where another page has
  // taken it over, calls `taken()` (which aborts the store).
  function checkInStore(owners, id, taken) {
    owners.get(id).onsuccess = (event) => {
      const owner = event.target.result;
      if (owner && owner.page !== page)
        taken();
      else
        owners.put({ id, page, beat: Date.now() });
    };
  }

  // Every few seconds the page says it still has its picture, and finds out where another page
  // has taken it over.
  setInterval(() => {
    const id = holding();
    if (id === null || !database.isOpen)
      return;
    database.transact('owners', 'readwrite', (_, store) => checkInStore(store('owners'), id, lost)).catch(() => {});
  }, kBeatMs);

  return { readOwners, census, elsewhere, claim, letGo, checkInStore };
}
