// demo script of the assistant
var theme = "blue";
