// The program's heap, set up once at start. Each new page of memory costs a
// fault when first written, and on some machines (virtual ones above all) a
// fault costs microseconds: the start alone writes thousands of heap pages.
#pragma once

// Grows the heap by a large step at once and lets the kernel back that step
// with huge pages, so each 2 MiB of it is faulted in once. Call early in
// main; a second call does nothing. Without huge pages the heap works as
// before.
void PrepareHeap();
