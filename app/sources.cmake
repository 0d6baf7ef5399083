target_sources(ordo_app PRIVATE)
