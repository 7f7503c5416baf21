-- Rules of the demo database: two feeds of the local demo site, one in
-- UTF-8 whose posts are told apart by the links seen since start-up, one in
-- GBK numbered by post id. @SITE@ is replaced by the site's address.

BEGIN;

INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES
 (7, '1', 20, '0', 0, '演示站', '@SITE@/deals.xml', '',
  '<item><title>(.*?)</title><link>[^<]*?/t/(\d+)</link>',
  '<channel>', '</channel>', 1, 2, '@SITE@/t/[2]', 0),
 (8, '1', 10, '1', 8, '国标演示', '@SITE@/gbk.xml', '',
  '<item><title>(.*?)</title><link>[^<]*?/g/(\d+)</link>',
  '<channel>', '</channel>', 1, 2, '@SITE@/g/[2]', 5000);

INSERT INTO con (keywd, pl_shop, pl_kuai, pl_man, tx_tc, tx_sy, tx_wx,
                 tx_onlygz, tx_wxkey)
VALUES ('优惠' || char(13, 10) || '半价', 0, 0, 0, '1', '1', '0', '0', '');

COMMIT;
