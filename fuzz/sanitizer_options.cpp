// Built into every executable of the sanitizer build: the options the
// sanitizers start with, before any from the environment.

extern "C" {

// The leak check scans each thread's dynamic TLS blocks, which this
// compiler's runtime finds by guessing at the C library's layout. When a block
// that a loaded library (the OpenGL driver, a Qt plugin) asks for lands 16
// bytes past a page boundary, the guess reads a garbage range and the leak
// check's own thread crashes. Without the hook the blocks are still reached,
// as the heap allocations they are, through the thread's pointer to them.
const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

}  // extern "C"
