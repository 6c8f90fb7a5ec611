// Run as soon as the engine's script has, while the browser still reads the rest of the page:
// the WebAssembly compiles beside it. The page's module awaits this first engine.
var mironaEngine = createMironaEngine();
