target_sources(ordo_net PRIVATE)
