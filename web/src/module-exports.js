// The end of dist/trillo.mjs: the ES module's exports.
export { load, TrilloError };
