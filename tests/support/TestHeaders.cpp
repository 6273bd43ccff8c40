// The one source of the library whose precompiled header every test program reuses (the list of
// headers is in cmake/Vemo.cmake); the library itself holds nothing.
