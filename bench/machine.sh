# Sourced by the bench scripts: describe_machine prints the machine a run was measured on, and
# median prints the median of the numbers on standard input.
describe_machine() {
  local model cores memory flags load
  model=$(awk -F': *' '/^model name/ {print $2; exit}' /proc/cpuinfo)
  cores=$(nproc)
  memory=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
  flags=$(awk -F': *' '/^flags/ {print $2; exit}' /proc/cpuinfo | tr ' ' '\n' |
    grep -xE "sse2|avx2|avx512bw|avx512_vbmi2" | tr '\n' ' ')
  read -r load _ </proc/loadavg
  echo "machine: $model, $cores cores, $memory, $(uname -sr); vector units: ${flags% }; load average $load"
}

median() { sort -g | awk '{a[NR] = $1} END {if (NR == 0) print "n/a"; else if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
