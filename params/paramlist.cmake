target_sources(ordo_params PRIVATE)
