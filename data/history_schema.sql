-- Tables of the program's own beside the three above, for the history
-- window and its search: delivered in place, so that the first start
-- leaves the copied file as it was. The program creates them, the same
-- way, in a file that lacks them.
CREATE TABLE dw_post_site(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE dw_post(info_id INTEGER PRIMARY KEY, site_id INTEGER NOT NULL,
  fetched_at INTEGER NOT NULL, hit INTEGER NOT NULL, title TEXT NOT NULL);
CREATE INDEX dw_post_by_time ON dw_post(fetched_at);
CREATE VIRTUAL TABLE dw_post_search USING fts5(title, content='dw_post',
  content_rowid='info_id', tokenize='trigram');
CREATE TRIGGER dw_post_search_add AFTER INSERT ON dw_post
BEGIN INSERT INTO dw_post_search(rowid, title) VALUES (new.info_id, new.title); END;
CREATE VIRTUAL TABLE dw_post_pairs USING fts5(pairs, content='', detail=none,
  tokenize='ascii');
INSERT INTO dw_post_search(dw_post_search, rank) VALUES('automerge', 16);
INSERT INTO dw_post_pairs(dw_post_pairs, rank) VALUES('automerge', 16);
