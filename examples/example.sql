-- The example database of the README: one table with every kind of value
-- Quillet writes, 300 rows of them. Built with: sqlite3 example.db < example.sql
DROP TABLE IF EXISTS orders;
CREATE TABLE orders (
    id          INTEGER PRIMARY KEY,
    customer    VARCHAR(40),
    quantity    SMALLINT,
    reference   BIGINT,
    amount      DECIMAL(12,2),
    weight      DOUBLE,
    ordered_on  DATE,
    shipped_at  TIMESTAMP,
    paid        BIT,
    note        TEXT,
    label       BLOB
);

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO orders
SELECT i,
       CASE i % 6
           WHEN 0 THEN 'Smith, John'
           WHEN 1 THEN 'O''Brien'
           WHEN 2 THEN 'Müller GmbH'
           WHEN 3 THEN 'The "Best" Shop'
           WHEN 4 THEN NULL
           ELSE 'Customer ' || i
       END,
       i % 50,
       5000000000 + i * 1234567,
       CASE WHEN i % 10 = 0 THEN NULL ELSE round(i * 17.35, 2) END,
       i / 7.0,
       date('2026-01-01', '+' || (i % 365) || ' days'),
       CASE WHEN i % 9 = 0 THEN NULL
            ELSE datetime('2026-01-01 08:00:00', '+' || (i * 3671) || ' seconds') END,
       i % 2,
       CASE i % 5
           WHEN 0 THEN 'first line' || char(10) || 'second line'
           WHEN 1 THEN 'says "hello", twice'
           WHEN 2 THEN '  padded  '
           WHEN 3 THEN NULL
           ELSE 'plain note ' || i
       END,
       CASE i % 4 WHEN 0 THEN NULL WHEN 1 THEN x'00ff10' WHEN 2 THEN x'deadbeef' ELSE x'cafe' END
FROM n;
