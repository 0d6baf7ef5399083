# message loop, timers, descriptors, INI, names, files, code page, UI backends
target_sources(ordo_platform PRIVATE)
