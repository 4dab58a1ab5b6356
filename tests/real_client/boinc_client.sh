# shellcheck shell=bash
# Sourced by the real-client test: lays out a data directory for Debian's BOINC
# client that already holds one task of this application, so that no project
# server is needed. The master URL uses the reserved ".invalid" domain, which
# never resolves, so the client cannot reach anything.

zf_master_url="http://zorvath.invalid/"
zf_project_dir_name="zorvath.invalid"
zf_app_name="zorvath_fold"
zf_platform="x86_64-pc-linux-gnu"
zf_wu_name="zf_real_client_wu"
zf_result_name="zf_real_client_wu_0"
zf_output_name="zf_real_client_wu_0_out"
zf_user_name="Zorvath Tester"
zf_team_name="Fold Testers"

# free_tcp_port: prints a local TCP port that nothing listens on.
free_tcp_port() {
    local port
    for _ in $(seq 200); do
        port=$((20000 + RANDOM % 20000))
        if ! ss -Hltn "sport = :$port" | grep -q .; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# version_files VERSION_XML: prints "physical logical" per file, with "-" as
# the logical name of the main program and "=" for a file that has none (the
# companion's catalogues, a release's libraries: found beside the programs).
version_files() {
    awk '
        /<file>/ { physical = ""; logical = "=" }
        /<physical_name>/ { physical = $0; gsub(/.*<physical_name>|<\/physical_name>.*/, "", physical) }
        /<logical_name>/ { logical = $0; gsub(/.*<logical_name>|<\/logical_name>.*/, "", logical) }
        /<main_program\/>/ { logical = "-" }
        /<\/file>/ { print physical, logical }
    ' "$1"
}

# xml_file_info NAME PATH [extra tags]: a downloaded file of the application
# version. The size must be exact: the client deletes a file whose size differs.
xml_file_info() {
    local name=$1 path=$2 extra=${3:-}
    cat <<EOF
<file_info>
    <name>$name</name>
    <nbytes>$(stat -c %s "$path")</nbytes>
    <max_nbytes>0</max_nbytes>
    <status>1</status>
    $extra
</file_info>
EOF
}

# install_server_version DIR VERSION_DIR: does what the client does with an
# application version that a project server sends: puts the files of the
# version directory (apps/<app>/<version>/<platform>, described by its
# version.xml) into the project directory and lists them in its state.
install_server_version() {
    local dir=$1 version_dir=$2
    local project_dir="$dir/projects/$zf_project_dir_name"
    local version api_version file_infos="" file_refs="" name logical
    version=$(basename "$(dirname "$version_dir")")
    zf_version_num=$((10#${version/./}))
    api_version=$(sed -n 's#.*<api_version>\([^<]*\)</api_version>.*#\1#p' "$version_dir/version.xml")
    mkdir -p "$project_dir"
    while read -r name logical; do
        cp -p "$version_dir/$name" "$project_dir/$name"
        # The files installed executable (the program and the graphics app)
        # are the version's executable files, which the client runs.
        local executable=""
        [ -x "$version_dir/$name" ] && executable="<executable/>"
        file_infos+=$(xml_file_info "$name" "$project_dir/$name" "$executable")
        if [ "$logical" = "-" ]; then
            file_refs+="<file_ref><file_name>$name</file_name><main_program/></file_ref>"
        elif [ "$logical" = "=" ]; then
            file_refs+="<file_ref><file_name>$name</file_name></file_ref>"
        else
            file_refs+="<file_ref><file_name>$name</file_name><open_name>$logical</open_name></file_ref>"
        fi
    done < <(version_files "$version_dir/version.xml")
    zf_app_version_xml="<app>
    <name>$zf_app_name</name>
    <user_friendly_name>Zorvath@Fold</user_friendly_name>
</app>
$file_infos
<app_version>
    <app_name>$zf_app_name</app_name>
    <version_num>$zf_version_num</version_num>
    <api_version>$api_version</api_version>
    <platform>$zf_platform</platform>
    <avg_ncpus>1</avg_ncpus>
    <flops>1e9</flops>
    $file_refs
</app_version>"
}

# install_anonymous_version DIR ANONYMOUS_DIR: does what a volunteer does,
# copying the anonymous-platform files into the project directory; the client
# builds the application version from app_info.xml itself.
install_anonymous_version() {
    local dir=$1 anonymous_dir=$2
    mkdir -p "$dir/projects/$zf_project_dir_name"
    cp -p "$anonymous_dir"/* "$dir/projects/$zf_project_dir_name/"
    # One app_version per platform, all of the same number.
    zf_version_num=$(sed -n 's#.*<version_num>\([0-9]*\)</version_num>.*#\1#p' "$anonymous_dir/app_info.xml" | head -n 1)
    zf_app_version_xml=""
}

# write_client_state DIR PRIOR_CPU_SECONDS: after one of the install_*
# functions, completes the data directory: the project, one workunit and one
# result ready to run, whose task has already used PRIOR_CPU_SECONDS of
# processor time, and the client's settings.
write_client_state() {
    local dir=$1 prior_cpu=$2
    # The task is one the client already knows (it carries processor time), and
    # the client resumes such a task only in an existing slot directory.
    mkdir -p "$dir/slots/0"

    # Until the program reports a fraction done, the client shows its own guess,
    # 1 - exp(-elapsed / estimated run time): the workunit's huge estimate keeps
    # that guess below the program's first report, so the shown fraction only
    # grows, and the deadline lies beyond the estimate.
    local now deadline
    now=$(date +%s)
    deadline=$((now + 30 * 86400))
    cat >"$dir/client_state.xml" <<EOF
<client_state>
<project>
    <master_url>$zf_master_url</master_url>
    <project_name>Zorvath@Fold test project</project_name>
    <user_name>$zf_user_name</user_name>
    <team_name>$zf_team_name</team_name>
    <user_total_credit>1234.5</user_total_credit>
    <user_expavg_credit>12.5</user_expavg_credit>
    <host_total_credit>678.25</host_total_credit>
    <host_expavg_credit>6.75</host_expavg_credit>
    <hostid>1</hostid>
    <dont_request_more_work/>
    <min_rpc_time>$deadline</min_rpc_time>
</project>
$zf_app_version_xml
<file_info>
    <name>$zf_output_name</name>
    <nbytes>0</nbytes>
    <max_nbytes>10000000</max_nbytes>
    <status>0</status>
    <upload_url>${zf_master_url}upload</upload_url>
</file_info>
<workunit>
    <name>$zf_wu_name</name>
    <app_name>$zf_app_name</app_name>
    <version_num>$zf_version_num</version_num>
    <rsc_fpops_est>1e15</rsc_fpops_est>
    <rsc_fpops_bound>1e16</rsc_fpops_bound>
    <rsc_memory_bound>500000000</rsc_memory_bound>
    <rsc_disk_bound>500000000</rsc_disk_bound>
</workunit>
<result>
    <name>$zf_result_name</name>
    <wu_name>$zf_wu_name</wu_name>
    <version_num>$zf_version_num</version_num>
    <platform>$zf_platform</platform>
    <state>2</state>
    <received_time>$now</received_time>
    <report_deadline>$deadline</report_deadline>
    <file_ref>
        <file_name>$zf_output_name</file_name>
        <open_name>out.txt</open_name>
    </file_ref>
</result>
<active_task_set>
<active_task>
    <project_master_url>$zf_master_url</project_master_url>
    <result_name>$zf_result_name</result_name>
    <active_task_state>0</active_task_state>
    <app_version_num>$zf_version_num</app_version_num>
    <slot>0</slot>
    <checkpoint_cpu_time>$prior_cpu</checkpoint_cpu_time>
</active_task>
</active_task_set>
<user_network_request>3</user_network_request>
</client_state>
EOF

    # Without an account file the client drops the project and all its work.
    cat >"$dir/account_$zf_project_dir_name.xml" <<EOF
<account>
    <master_url>$zf_master_url</master_url>
    <authenticator>0123456789abcdef0123456789abcdef</authenticator>
    <project_name>Zorvath@Fold test project</project_name>
</account>
EOF

    # Network activity stays off (user_network_request 3 above), and if it were
    # ever on, the connectivity probe must not leave the machine either.
    cat >"$dir/cc_config.xml" <<EOF
<cc_config>
    <options>
        <network_test_url>$zf_master_url</network_test_url>
        <skip_cpu_benchmarks>1</skip_cpu_benchmarks>
        <no_gpus>1</no_gpus>
    </options>
</cc_config>
EOF

    # Suspending must keep the program in memory, and checkpoints come often so
    # that a restart has one to resume from.
    cat >"$dir/global_prefs_override.xml" <<EOF
<global_preferences>
    <run_if_user_active>1</run_if_user_active>
    <suspend_cpu_usage>0</suspend_cpu_usage>
    <leave_apps_in_memory>1</leave_apps_in_memory>
    <disk_interval>2</disk_interval>
    <max_ncpus_pct>100</max_ncpus_pct>
    <cpu_usage_limit>100</cpu_usage_limit>
</global_preferences>
EOF

    zf_rpc_password=zf-$RANDOM$RANDOM
    echo "$zf_rpc_password" >"$dir/gui_rpc_auth.cfg"
}
