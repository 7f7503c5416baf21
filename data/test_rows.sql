-- Rows of the small database the tests start from. Addresses point at the
-- loop-back interface; tests that fetch rewrite them to their own server.
--
--   id 1  ticked, rank 5, kind 0, UTF-8 page, site clean-up (id below 6)
--   id 2  ticked, rank 9 (first in the tree), kind 8 with lastid 100
--   id 3  isdo 3: never loaded
--   id 4  isdo 0: listed unticked
--   id 5  isdo " 1" (leading space): listed unticked
--   id 6  isdo 2: listed unticked, group-number clean-up
--   id 12 ticked, GBK page, font clean-up

BEGIN;

INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES
 (1, '1', 5, '0', 0, 'Alpha', 'http://127.0.0.1/alpha.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>[^<]*?/t/(\d+)[^<]*</link>',
  '<channel>', '</channel>', 1, 2, 'http://127.0.0.1/t/[2]', 0),
 (2, '1', 9, '0', 8, '贝塔', 'http://127.0.0.1/beta.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>[^<]*?/soft/(\d+)[^<]*</link>',
  '<channel>', '</channel>', 1, 2, 'http://127.0.0.1/soft/[2].htm', 100),
 (3, '3', 20, '0', 0, 'Hidden', 'http://127.0.0.1/hidden.xml', '',
  '<item>(.*?)</item>', '<channel>', '</channel>', 1, 1, '[1]', 0),
 (4, '0', 1, '0', 0, 'Delta', 'http://127.0.0.1/delta.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>(.*?)</link>',
  '<channel>', '</channel>', 1, 2, '[2]', 0),
 (5, ' 1', 2, '0', 0, 'Epsilon', 'http://127.0.0.1/epsilon.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>(.*?)</link>',
  '<channel>', '</channel>', 1, 2, '[2]', 0),
 (6, '2', 3, '0', 0, 'Zeta', 'http://127.0.0.1/zeta.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>(.*?)</link>',
  '<channel>', '</channel>', 1, 2, '[2]', 0),
 (12, '1', 4, '1', 0, '国标页', 'http://127.0.0.1/gbk.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>(.*?)</link>',
  '<channel>', '</channel>', 1, 2, '[2]', 0);

INSERT INTO con (keywd, pl_shop, pl_kuai, pl_man, tx_tc, tx_sy, tx_wx,
                 tx_onlygz, tx_wxkey)
VALUES ('优惠' || char(13, 10) || 'sale', 1, 2, 3, '1', '0', ' 1', '01',
        'key');

INSERT INTO info (planname, planid, title, url, addtime, zt)
VALUES ('Alpha', 1, '已存的帖子', 'http://127.0.0.1/t/4711', '3/1 09:05', 0);

COMMIT;
