-- The sales model behind the example query documents.
CREATE TABLE Customers (
  CustomerID INTEGER PRIMARY KEY,
  CustomerName TEXT NOT NULL,
  Region TEXT,
  City TEXT,
  JoinDate TEXT
);
CREATE TABLE Products (
  ProductID INTEGER PRIMARY KEY,
  ProductName TEXT NOT NULL,
  Category TEXT,
  UnitPrice REAL
);
CREATE TABLE Orders (
  OrderID INTEGER PRIMARY KEY,
  CustomerID INTEGER REFERENCES Customers (CustomerID),
  OrderDate TEXT,
  Status TEXT
);
CREATE TABLE OrderLines (
  OrderID INTEGER REFERENCES Orders (OrderID),
  LineNumber INTEGER,
  ProductID INTEGER REFERENCES Products (ProductID),
  Quantity INTEGER,
  Amount REAL,
  PRIMARY KEY (OrderID, LineNumber)
);
CREATE TABLE ArchivedRevenue (
  CustomerName TEXT,
  Region TEXT,
  Amount REAL
);
