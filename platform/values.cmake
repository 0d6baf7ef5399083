# Variant and text/number/date conversions
target_sources(ordo_platform PRIVATE)
