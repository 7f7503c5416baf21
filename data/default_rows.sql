-- Rows of the delivered qel6.sdb. Every rule reads a public feed whose format
-- is a published standard (RSS 2.0, or Atom 1.0 for the one Atom source); its
-- markers cut the feed's channel, and its pattern is written for the text as
-- the program tidies it before matching: line breaks, tabs, double quotes and
-- apostrophes removed, and &lt; &gt; &quot; &#37; decoded. Pattern groups: the
-- title group and the id group; the link is built from the template by
-- putting the id where [n] stands (n = the id group).
--
-- No part of a pattern reaches past the end of its item or of its title, so
-- an item missing its id never lends its title to the next item's id.
--
-- Ids stay clear of the ones that get site-specific clean-up before matching
-- (below 6, 6 and 12).

BEGIN;

-- type 8: numeric ids; a post is new when its id is above the highest known.
INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (7, '1', 90, '0', 8, 'OzBargain 优惠',
        'https://www.ozbargain.com.au/deals/feed', '',
        '<item>(?:(?!</item>).)*?<title>(?:<!\[CDATA\[)?((?:(?!</title>).)*?)(?:\]\]>)?</title>(?:(?!</item>).)*?<link>[^<]*?/node/(\d+)[^<]*</link>',
        '<channel>', '</channel>', 1, 2,
        'https://www.ozbargain.com.au/node/[2]', 0);

-- The other kind: every link seen since start-up is remembered.
INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (8, '1', 80, '0', 0, '什么值得买 精选',
        'https://feed.smzdm.com', '',
        '<item>(?:(?!</item>).)*?<title>(?:<!\[CDATA\[)?((?:(?!</title>).)*?)(?:\]\]>)?</title>(?:(?!</item>).)*?<link>(?:<!\[CDATA\[)?(.*?)(?:\]\]>)?</link>',
        '<channel>', '</channel>', 1, 2, '[2]', 0);

-- Feed links carry tracking arguments with escaped ampersands, so the link
-- is rebuilt from the thread number. The feed comes in two shapes: links to
-- slickdeals.net/f/<thread>-<slug>, or, through a feed proxy, links to the
-- proxy with the thread number only in <guid> ("thread-<n>" or ".../f/<n>-").
-- The pattern takes the first <link> or <guid> of the item that holds it,
-- never reaching past the item's end.
INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (9, '1', 70, '0', 0, 'Slickdeals 首页',
        'https://slickdeals.net/newsearch.php?mode=frontpage&searcharea=deals&searchin=first&rss=1', '',
        '<item>(?:(?!</item>).)*?<title>(?:<!\[CDATA\[)?((?:(?!</title>).)*?)(?:\]\]>)?</title>(?:(?!</item>).)*?<(?:link|guid)[^>]*>[^<]*?(?:/f/|thread-)(\d+)',
        '<channel>', '</channel>', 1, 2, 'https://slickdeals.net/f/[2]', 0);

INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (10, '0', 50, '0', 0, 'Hacker News',
        'https://news.ycombinator.com/rss', '',
        '<item>(?:(?!</item>).)*?<title>(?:<!\[CDATA\[)?((?:(?!</title>).)*?)(?:\]\]>)?</title>(?:(?!</item>).)*?<comments>[^<]*?item\?id=(\d+)</comments>',
        '<channel>', '</channel>', 1, 2,
        'https://news.ycombinator.com/item?id=[2]', 0);

-- Atom 1.0: entries carry their id before their title.
INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (11, '0', 40, '0', 0, 'Reddit buildapcsales',
        'https://www.reddit.com/r/buildapcsales/new/.rss', '',
        '<entry>(?:(?!</entry>).)*?<id>t3_(\w+)</id>(?:(?!</entry>).)*?<title[^>]*>(.*?)</title>',
        '<feed', '</feed>', 2, 1,
        'https://www.reddit.com/r/buildapcsales/comments/[1]/', 0);

INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES (13, '0', 30, '0', 0, 'The Guardian US',
        'https://www.theguardian.com/us/rss', '',
        '<item>(?:(?!</item>).)*?<title>(?:<!\[CDATA\[)?((?:(?!</title>).)*?)(?:\]\]>)?</title>(?:(?!</item>).)*?<link>(?:<!\[CDATA\[)?(.*?)(?:\]\]>)?</link>',
        '<channel>', '</channel>', 1, 2, '[2]', 0);

-- Keywords, one per line (CR LF between them).
INSERT INTO con (keywd, pl_shop, pl_kuai, pl_man, tx_tc, tx_sy, tx_wx,
                 tx_onlygz, tx_wxkey)
VALUES ('白菜' || char(13, 10) || '免费' || char(13, 10) || 'SSD' ||
        char(13, 10) || '显卡',
        0, 0, 0, '1', '1', '0', '0', '');

COMMIT;
