// dist/trillo.js, the classic script for web/index.html (a page opened from
// file:// cannot import an ES module): one global, trillo = { load, TrilloError }.
var trillo = (() => {
