# engine thread, binding, device initialisation, loop, unknown-request rules
