# Sourced by scripts/sanitize.sh and scripts/test.sh: the sanitizer settings for the test suite
# and run_sanitized_suite, which builds build-asan and runs ctest there. Suppressions cover only
# libraries that are not ours (unixODBC, the ODBC drivers, Qt and what it loads).
sanitizer_folder=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

export_sanitizer_options() {
  export ASAN_OPTIONS="suppressions=$sanitizer_folder/asan.supp:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
  export LSAN_OPTIONS="suppressions=$sanitizer_folder/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$sanitizer_folder/ubsan.supp"
}

# run_sanitized_suite TOP [ctest arguments...]
run_sanitized_suite() {
  local top=$1
  shift
  local build="$top/build-asan"
  local jobs
  jobs=$(nproc)
  cmake -S "$top" -B "$build" -DVELMORA_WERROR=ON -DVELMORA_SANITIZE=ON >/dev/null
  cmake --build "$build" -j"$jobs"
  export_sanitizer_options
  # As in the normal suite, a failed test runs once more alone before the suite fails.
  (cd "$build" && export QT_QPA_PLATFORM=offscreen &&
    { ctest --output-on-failure -j"$jobs" --timeout 900 "$@" ||
      { echo "test: INTERMITTENT? rerunning the failed sanitized tests alone" >&2
        ctest --output-on-failure --rerun-failed --timeout 900; }; })
}
