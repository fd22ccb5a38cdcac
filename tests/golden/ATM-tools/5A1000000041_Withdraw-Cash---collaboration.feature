Feature: Withdraw Cash - collaboration
  Test case SD2 of ATM.mdl, diagram 5A1000000041

  @ATM-1 @ATM-2
  Scenario Outline: path 1
    When readCard <readCard.cardNumber>

    Examples:
      | id | readCard.cardNumber |
      | 5A1000000041-1-001 | nHKmDTkTGh |
      | 5A1000000041-1-002 | U_fI`YRnhG |

  @ATM-1 @ATM-2
  Scenario Outline: path 2
    When validatePin <validatePin.validatePin> <validatePin.pin>
    Then controller sends withdraw to account <withdraw.amount>
    And account sends dispense to controller <dispense.dispense> <dispense.amount> <dispense.notes>

    Examples:
      | id | validatePin.validatePin | validatePin.pin | withdraw.amount | dispense.dispense | dispense.amount | dispense.notes |
      | 5A1000000041-2-001 | Reading Card | PDtU | 4 | Dispensing | 9 | 2 |
      | 5A1000000041-2-002 | Dispensing | GMt | 0 | Reading Card | 13 | 3 |

  @ATM-1 @ATM-2
  Scenario Outline: path 3
    When keepCard <keepCard.keepCard>

    Examples:
      | id | keepCard.keepCard |
      | 5A1000000041-3-001 | card reported stolen |
      | 5A1000000041-3-002 | third wrong PIN |

  @ATM-1 @ATM-2
  Scenario Outline: path 4
    When ejectCard <ejectCard.ejectCard>

    Examples:
      | id | ejectCard.ejectCard |
      | 5A1000000041-4-001 | card left in the slot |
