-- The address book file delivered with the program (VRL3.mdb).
-- Field 0 of 通讯录 is its automatic key; the order of the other fields is the
-- column order of exported spreadsheets and of the sheets the import reads.
-- No column declares a collation: the program orders names itself, and any
-- SQLite tool can read the file.
PRAGMA page_size = 4096;
BEGIN;
CREATE TABLE 通讯录 (
    编号 INTEGER PRIMARY KEY AUTOINCREMENT,
    姓名 TEXT,
    手机 TEXT,
    首字母 TEXT,
    手机备 TEXT,
    QQ TEXT,
    QQ备 TEXT,
    邮箱 TEXT,
    分组 TEXT,
    座机 TEXT,
    分机 TEXT,
    地址 TEXT,
    籍贯 TEXT,
    生日 DATETIME,
    备注 TEXT,
    照片 BLOB,
    归属地 TEXT,
    性别 TEXT
);
CREATE TABLE 用户 (
    用户名 TEXT,
    密码 TEXT,
    头像 BLOB
);
CREATE TABLE 所属网络 (
    手机号 TEXT,
    运营商 TEXT
);

-- The starting account; change its password after the first sign-in.
INSERT INTO 用户 (用户名, 密码) VALUES ('admin', '123456');

-- Mobile number segments of the three mainland carriers: the first three
-- digits of a number, or four where one three-digit segment is shared.
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('130', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('131', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('132', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('133', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('134', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('135', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('136', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('137', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('138', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('139', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('145', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('146', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('147', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('148', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('149', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('150', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('151', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('152', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('153', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('155', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('156', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('157', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('158', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('159', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('162', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('165', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('166', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('167', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1700', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1701', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1702', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1703', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1704', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1705', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1706', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1707', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1708', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1709', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('171', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('172', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('173', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('174', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('175', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('176', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('177', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('178', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('180', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('181', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('182', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('183', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('184', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('185', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('186', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('187', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('188', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('189', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('190', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('191', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('193', '电信');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('195', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('196', '联通');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('197', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('198', '移动');
INSERT INTO 所属网络 (手机号, 运营商) VALUES ('199', '电信');
COMMIT;
