# Sourced by the test environments: write_bus_config FILE LISTEN writes the
# configuration of a private D-Bus bus that listens on LISTEN, lets every
# client own any name and has no service folders, so nothing is auto-started.
write_bus_config() {
    cat > "$1" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>$2</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
}
