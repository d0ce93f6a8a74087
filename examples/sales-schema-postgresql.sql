-- The sales model behind the example query documents, for PostgreSQL.
-- The same tables as sales-schema.sql; dates are typed (a date, or a
-- timestamp where orders carry a time of day) and prices and amounts are
-- double precision, as SQLite's REAL is.
CREATE TABLE Customers (
  CustomerID INTEGER PRIMARY KEY,
  CustomerName TEXT NOT NULL,
  Region TEXT,
  City TEXT,
  JoinDate DATE
);
CREATE TABLE Products (
  ProductID INTEGER PRIMARY KEY,
  ProductName TEXT NOT NULL,
  Category TEXT,
  UnitPrice DOUBLE PRECISION
);
CREATE TABLE Orders (
  OrderID INTEGER PRIMARY KEY,
  CustomerID INTEGER REFERENCES Customers (CustomerID),
  OrderDate TIMESTAMP,
  Status TEXT
);
CREATE TABLE OrderLines (
  OrderID INTEGER REFERENCES Orders (OrderID),
  LineNumber INTEGER,
  ProductID INTEGER REFERENCES Products (ProductID),
  Quantity INTEGER,
  Amount DOUBLE PRECISION,
  PRIMARY KEY (OrderID, LineNumber)
);
CREATE TABLE ArchivedRevenue (
  CustomerName TEXT,
  Region TEXT,
  Amount DOUBLE PRECISION
);
