return { load, TrilloError };
})();
