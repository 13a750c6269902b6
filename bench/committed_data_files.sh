# Sourced by the output comparisons: data_files ROOT prints every committed
# data file under tests/data and examples/, sorted; file_tag ROOT FILE names
# one for an output folder.
data_files() {
  find "$1/tests/data" "$1/examples" -type f \
    \( -iname '*.html' -o -iname '*.htm' -o -iname '*.csv' -o -iname '*.xls' -o -iname '*.xlsx' \) |
    sort
}
file_tag() { printf '%s' "${2#"$1"/}" | tr '/' '_'; }
