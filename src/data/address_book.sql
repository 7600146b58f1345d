-- The address book file delivered with the program (VRL3.mdb).
-- Field 0 of 通讯录 is its automatic key; the order of the other fields is the
-- column order of exported spreadsheets and of the sheets the import reads.
-- No column declares a collation: the program orders names itself, and any
-- SQLite tool can read the file. The carrier segments of 所属网络 are added
-- from carrier_segments.sql, which also brings an existing book up to date.
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
COMMIT;
