target_sources(ordo_dataset PRIVATE)
