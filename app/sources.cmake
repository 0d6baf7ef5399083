target_sources(ordo_app PRIVATE
  field_splitter.cpp
  port_scrambler.cpp
  server_address.cpp
  statement_runner.cpp
  queue_walk.cpp
  replay_verdict.cpp
  run_log.cpp
  ledger_statements.cpp
  balance_rebuild.cpp
  main_form.cpp
  command_line.cpp
  config_check.cpp
  file_identity.cpp
  connect_report.cpp
)
