-- Tables of qel6.sdb. The program reads rule and con once at start-up and
-- only counts and inserts rows of info; it never changes the schema.

-- One row per watched page. isdo: '1' ticked, '3' not loaded, anything else
-- listed unticked. type 8: numeric post ids compared with lastid; any other
-- type: ids remembered since start-up.
CREATE TABLE rule (
  id INTEGER NOT NULL,
  isdo TEXT NOT NULL DEFAULT '1',
  rank INTEGER NOT NULL DEFAULT 0,
  isgbk TEXT NOT NULL DEFAULT '0',
  type INTEGER NOT NULL DEFAULT 0,
  name TEXT NOT NULL DEFAULT '',
  url TEXT NOT NULL DEFAULT '',
  cookie TEXT NOT NULL DEFAULT '',
  reg TEXT NOT NULL DEFAULT '',
  "before" TEXT NOT NULL DEFAULT '',
  "after" TEXT NOT NULL DEFAULT '',
  tindex INTEGER NOT NULL DEFAULT 0,
  idindex INTEGER NOT NULL DEFAULT 0,
  pinurl TEXT NOT NULL DEFAULT '',
  lastid INTEGER NOT NULL DEFAULT 0
);

-- The user's settings: only the first row is read. keywd holds one keyword
-- per line, lines separated by CR LF.
CREATE TABLE con (
  keywd TEXT NOT NULL DEFAULT '',
  pl_shop INTEGER NOT NULL DEFAULT 0,
  pl_kuai INTEGER NOT NULL DEFAULT 0,
  pl_man INTEGER NOT NULL DEFAULT 0,
  tx_tc TEXT NOT NULL DEFAULT '0',
  tx_sy TEXT NOT NULL DEFAULT '0',
  tx_wx TEXT NOT NULL DEFAULT '0',
  tx_onlygz TEXT NOT NULL DEFAULT '0',
  tx_wxkey TEXT NOT NULL DEFAULT ''
);

-- Stored posts, newest last. addtime is the short time text (M/d hh:mm);
-- zt is 1 when the title holds a keyword.
CREATE TABLE info (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  planname TEXT,
  planid INTEGER,
  title TEXT,
  url TEXT,
  addtime TEXT,
  zt INTEGER
);

-- The first-round duplicate check looks posts up by their link.
CREATE INDEX info_url ON info(url);
