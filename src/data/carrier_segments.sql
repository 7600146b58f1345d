-- The mobile number segments of the mainland carriers, as rows of 所属网络.
-- Written into the delivered book, and run on every start against the book in
-- use: a segment the book lacks is added, a row already there (the user's own
-- or an older delivery's) is left as it is. The carrier of a number is that of
-- the longest segment it begins with.
--   1349 satellite numbers inside 134; 1700-1709 shared by the three carriers;
--   145-149 data-only numbers; 162, 165, 167, 170, 171 numbers resold by
--   other companies on a carrier's network; 172 connected devices;
--   174 (1740x, 1741x) satellite and emergency numbers; 192 the fourth carrier.
WITH delivered(手机号, 运营商) AS (VALUES
    ('130', '联通'), ('131', '联通'), ('132', '联通'), ('133', '电信'), ('134', '移动'), ('1349', '电信'),
    ('135', '移动'), ('136', '移动'), ('137', '移动'), ('138', '移动'), ('139', '移动'),
    ('145', '联通'), ('146', '联通'), ('147', '移动'), ('148', '移动'), ('149', '电信'),
    ('150', '移动'), ('151', '移动'), ('152', '移动'), ('153', '电信'), ('155', '联通'), ('156', '联通'),
    ('157', '移动'), ('158', '移动'), ('159', '移动'),
    ('162', '电信'), ('165', '移动'), ('166', '联通'), ('167', '联通'),
    ('1700', '电信'), ('1701', '电信'), ('1702', '电信'), ('1703', '移动'), ('1704', '联通'),
    ('1705', '移动'), ('1706', '移动'), ('1707', '联通'), ('1708', '联通'), ('1709', '联通'),
    ('171', '联通'), ('172', '移动'), ('173', '电信'), ('174', '电信'), ('175', '联通'), ('176', '联通'),
    ('177', '电信'), ('178', '移动'),
    ('180', '电信'), ('181', '电信'), ('182', '移动'), ('183', '移动'), ('184', '移动'), ('185', '联通'),
    ('186', '联通'), ('187', '移动'), ('188', '移动'), ('189', '电信'),
    ('190', '电信'), ('191', '电信'), ('192', '广电'), ('193', '电信'), ('195', '移动'), ('196', '联通'),
    ('197', '移动'), ('198', '移动'), ('199', '电信'))
INSERT INTO 所属网络 (手机号, 运营商)
SELECT d.手机号, d.运营商 FROM delivered AS d
WHERE NOT EXISTS (SELECT 1 FROM 所属网络 AS t WHERE t.手机号 = d.手机号);
