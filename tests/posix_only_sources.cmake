# Unit-test sources left out of Windows builds, each for the part of POSIX it
# cannot do without.
set(posix_only_sources
  drivers/output_hold_test.cpp                    # kernel ptys and the simulated cable
  drivers/serial_pty_test.cpp                     # kernel ptys and termios
  drivers/serial_sim_test.cpp                     # the simulated cable: sim: devices exist only in the POSIX layer
  drivers/open_by_name_test.cpp                   # kernel ptys and the simulated cable
  drivers/net_port_test.cpp                       # the loopback listener
  support/loopback_listener.cpp                   # POSIX sockets
  drivers/net_rig_test.cpp                        # ser2net on a kernel pty, POSIX sockets and threads
  emulation/queued_input_test.cpp                 # the simulated cable
  modem/hm_calls_test.cpp                         # the simulated modem on a kernel pty
  modem/hm_commands_test.cpp                      # the simulated modem on a kernel pty
  modem/hm_input_line_test.cpp                    # the simulated modem on a kernel pty
  modem/hm_registers_test.cpp                     # the simulated modem on a kernel pty
  modem/hm_waits_test.cpp                         # the simulated modem on a kernel pty
  platform/console_key_decoder_test.cpp           # the POSIX console layer
  platform/console_pty_keys_test.cpp              # the POSIX console layer on a kernel pty
  platform/console_restore_test.cpp               # fork and kernel ptys, to watch a process give its terminal back
  platform/console_screen_vterm_test.cpp          # the POSIX console layer against libvterm
  platform/event_sources_test.cpp                 # descriptors served by the POSIX idle wait
  port/close_at_exit_test.cpp                     # fork, to watch a process exit
  transfer/announced_length_test.cpp              # the simulated cable
  transfer/bplus_against_host_test.cpp           # the test host on a kernel pty
  transfer/bplus_host_test.cpp                    # the test host runs on a socketpair
  transfer/entry_points_test.cpp                  # the simulated cable
  transfer/file_list_special_files_test.cpp       # fifos, symbolic links and /proc/self/fd
  transfer/file_times_in_zones_test.cpp           # zones named from the tz database through TZ
  transfer/kermit_engine_test.cpp                 # the simulated cable
  transfer/kermit_windows_test.cpp                # the simulated cable
  transfer/received_names_on_the_wire_test.cpp    # the simulated cable
  transfer/received_names_symbolic_link_test.cpp  # symbolic links: Windows makes them only with a privilege
  transfer/vanished_line_test.cpp                 # the simulated cable
  transfer/xmodem_rules_test.cpp                  # the simulated cable
  transfer/zmodem_engine_test.cpp                 # the simulated cable
  transfer/zmodem_frames_test.cpp                 # the simulated cable
  support/batch_files.cpp                         # modification times set with utimensat, for the interop tests
  support/hayes_modem.cpp                         # poll() on a kernel pty's master
  support/kermit_peer.cpp                         # a peer on the simulated cable
  support/kernel_speed.cpp                        # the termios2 ioctl
  support/loopback_tcp.cpp                        # POSIX sockets and /proc
  support/noisy_relay.cpp                         # kernel ptys
  support/peer_process.cpp                        # fork/exec peers on kernel ptys
  support/pty_pair.cpp                            # kernel ptys
  support/scripted_telnet_server.cpp              # POSIX sockets and poll()
  support/ser2net_server.cpp                      # fork/exec of ser2net on a kernel pty
  support/zmodem_peer.cpp                         # a peer on the simulated cable
)
