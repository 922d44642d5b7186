-- The sample database of the expression engine's programs: customers, products, orders with
-- their lines, and a region tree (key, parent key, name) for tree walks. Texts are UTF-8, as
-- the database layer expects; the build turns this file into Data/qnexp.db.
PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE customers (
  id INTEGER PRIMARY KEY,
  name VARCHAR(40) NOT NULL,
  city VARCHAR(20),
  phone VARCHAR(20),
  credit MONEY,
  since DATE
);
INSERT INTO customers VALUES
  (1, '上海华联商厦有限公司', '上海', '021-63224466', 50000.00, '2018-04-12'),
  (2, '北京燕莎友谊商城', '北京', '010-64651188', 80000.00, '2016-09-01'),
  (3, '广州天河城百货', '广州', '020-85590388', 30000.00, '2020-01-15'),
  (4, '杭州解百集团', '杭州', '0571-87077777', 20000.00, '2021-06-30'),
  (5, '成都王府井百货', '成都', '028-86782888', 25000.00, '2019-11-20');

CREATE TABLE products (
  id INTEGER PRIMARY KEY,
  code CHAR(6) NOT NULL UNIQUE,
  name VARCHAR(30) NOT NULL,
  unit VARCHAR(4),
  price MONEY NOT NULL,
  in_stock INT
);
INSERT INTO products VALUES
  (1, 'A01001', '龙井茶叶（250克）', '盒', 168.00, 120),
  (2, 'A01002', '碧螺春（200克）', '盒', 138.00, 80),
  (3, 'B02001', '景德镇青花瓷茶具', '套', 580.00, 15),
  (4, 'B02002', '紫砂壶', '把', 320.00, 40),
  (5, 'C03001', '丝绸围巾', '条', 96.50, 200),
  (6, 'C03002', '苏绣手帕', '块', 45.00, 350);

CREATE TABLE orders (
  id INTEGER PRIMARY KEY,
  customer_id INT NOT NULL REFERENCES customers(id),
  ordered DATETIME NOT NULL,
  clerk VARCHAR(10),
  paid BOOLEAN,
  note TEXT
);
INSERT INTO orders VALUES
  (1001, 1, '2024-03-05 09:30:00', '王芳', 1, '春节后首批补货'),
  (1002, 2, '2024-03-06 14:07:09', '李强', 1, NULL),
  (1003, 3, '2024-03-11 10:15:00', '王芳', 0, '月底前发货'),
  (1004, 1, '2024-04-02 16:45:30', '张伟', 0, NULL),
  (1005, 5, '2024-04-18 11:00:00', '李强', 1, '客户自提');

CREATE TABLE order_lines (
  id INTEGER PRIMARY KEY,
  order_id INT NOT NULL REFERENCES orders(id),
  product_id INT NOT NULL REFERENCES products(id),
  qty INT NOT NULL,
  price MONEY NOT NULL,
  discount NUMERIC(5,2)
);
INSERT INTO order_lines VALUES
  (1, 1001, 1, 20, 168.00, 0.95),
  (2, 1001, 2, 10, 138.00, 1.00),
  (3, 1002, 3, 2, 580.00, 0.90),
  (4, 1002, 5, 30, 96.50, 1.00),
  (5, 1003, 4, 5, 320.00, 1.00),
  (6, 1003, 6, 50, 45.00, 0.85),
  (7, 1004, 1, 12, 168.00, 1.00),
  (8, 1005, 5, 8, 96.50, 1.00),
  (9, 1005, 2, 6, 138.00, 0.95);

-- A tree table: field 0 the key, field 1 the parent key (empty for the root), then the name.
CREATE TABLE regions (
  code VARCHAR(8) PRIMARY KEY,
  parent VARCHAR(8) NOT NULL DEFAULT '',
  name VARCHAR(20) NOT NULL
);
INSERT INTO regions VALUES
  ('CN', '', '中国'),
  ('EAST', 'CN', '华东'),
  ('NORTH', 'CN', '华北'),
  ('SOUTH', 'CN', '华南'),
  ('WEST', 'CN', '西南'),
  ('SH', 'EAST', '上海'),
  ('ZJ', 'EAST', '浙江'),
  ('HZ', 'ZJ', '杭州'),
  ('BJ', 'NORTH', '北京'),
  ('GD', 'SOUTH', '广东'),
  ('GZ', 'GD', '广州'),
  ('SC', 'WEST', '四川'),
  ('CD', 'SC', '成都');

COMMIT;
