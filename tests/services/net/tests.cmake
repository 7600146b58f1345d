varelo_test(net_tests tests/services/net varelo_net)
